#!/usr/bin/env bash
# The speed table: `veralith-cli find` over generated tree files and over a
# private OpenLDAP server, each beside its peers measured in the same run, for
# several sizes. Prints one Markdown table (median wall and CPU time of the
# rounds, peak memory of the largest process, and Veralith's figures divided
# by its peer's) and checks every program's duplicate lines against what the
# generators planted.
#
# usage: bench/compare.sh [-n "10000 100000 1000000"] [-l "10000 100000"] [-L] [-r ROUNDS]
#                         [-c VERALITH_CLI] [-w WORKDIR] [-s tree|ldap|both]
#   -n SIZES   user counts for the tree files (default 10000 100000 1000000)
#   -l SIZES   user counts for LDAP (default: the same as -n)
#   -L         leaves out LDAP sizes of 1,000,000 users and more: loading
#              them into slapd takes many minutes
#   -r ROUNDS  timed rounds per program, alternating (default 3); one untimed
#              warm-up round comes first
#   -c CLI     the program to time (default: build/release/app/veralith-cli,
#              built with the release preset first)
#   -w DIR     where generated data is kept between runs (default
#              /tmp/veralith-compare); existing files of the right size are reused
#   -s WHICH   tree, ldap or both (default both)
#
# Needs python3, GNU time (/usr/bin/time), and for LDAP slapd and ldap-utils.
# The generators and peers come from the shared benchmark folder
# (VERALITH_BENCH_SHARED, default ../shared/bench beside the source tree).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

sizes="10000 100000 1000000"
ldap_sizes=""
rounds=3
cli=""
work=/tmp/veralith-compare
which=both
skip_big_ldap=0
while getopts "n:l:Lr:c:w:s:" opt; do
  case $opt in
    n) sizes=$OPTARG ;;
    l) ldap_sizes=$OPTARG ;;
    L) skip_big_ldap=1 ;;
    r) rounds=$OPTARG ;;
    c) cli=$OPTARG ;;
    w) work=$OPTARG ;;
    s) which=$OPTARG ;;
    *) sed -n '9,25p' "$0" >&2; exit 2 ;;
  esac
done
ldap_sizes=${ldap_sizes:-$sizes}
shared=${VERALITH_BENCH_SHARED:-$root/../shared/bench}
if [[ ! -d $shared/snapshot || ! -d $shared/ldap ]]; then
  shared=/work/shared/bench
fi
snap=$shared/snapshot
ldapb=$shared/ldap

if [[ -z $cli ]]; then
  cmake --preset release >/dev/null
  cmake --build build/release --target veralith-cli -j2 >/dev/null
  cli=$root/build/release/app/veralith-cli
fi
mkdir -p "$work"
export LC_ALL=C.UTF-8 TZ=UTC

# measure OUT CMD...: runs CMD with its standard output to OUT; prints
# "seconds peak-KiB cpu-seconds" (GNU time: wall clock, largest resident set
# of the command's processes, user and system time; on a busy machine the CPU
# time says more than the wall time).
measure() {
  local out=$1
  shift
  local stats=$work/time.txt
  local status=0
  /usr/bin/time -f '%e %M %U %S' -o "$stats" "$@" > "$out" 2> "$work/stderr.txt" || status=$?
  # find exits 1 when it found duplicates.
  if [[ $status -gt 1 ]]; then
    echo "failed ($status): $*" >&2
    cat "$work/stderr.txt" >&2
    exit 1
  fi
  tail -n 1 "$stats" | awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }'
}

# median VALUES...: the median of the numbers (the mean of the middle two
# for an even count).
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); printf "%.2f", (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'
}

# bench_rounds NAME... : for each round, runs every named function in turn
# (the programs alternate); results in wall_s[NAME] and cpu_s[NAME] (medians
# over the rounds) and peak_kb[NAME] (largest over the rounds).
declare -A wall_s cpu_s peak_kb
bench_rounds() {
  local name r t m c
  declare -A walls cpus
  for name in "$@"; do
    "$name" "$work/$name.warm" > /dev/null # warm-up: page cache, server caches
    walls[$name]=""
    cpus[$name]=""
    peak_kb[$name]=0
  done
  for ((r = 0; r < rounds; ++r)); do
    for name in "$@"; do
      read -r t m c < <("$name" "$work/$name.out")
      if [[ -z ${t:-} || -z ${m:-} ]]; then
        echo "no measurement for $name" >&2
        exit 1
      fi
      walls[$name]+=" $t"
      cpus[$name]+=" $c"
      if ((m > peak_kb[$name])); then
        peak_kb[$name]=$m
      fi
    done
  done
  for name in "$@"; do
    # shellcheck disable=SC2086 # the lists split into their numbers
    wall_s[$name]=$(median ${walls[$name]})
    # shellcheck disable=SC2086
    cpu_s[$name]=$(median ${cpus[$name]})
  done
}

# ratio A B: A's figures divided by B's, "wall / CPU / memory".
ratio() {
  awk -v a="${wall_s[$1]}" -v b="${wall_s[$2]}" -v c="${cpu_s[$1]}" -v d="${cpu_s[$2]}" \
    -v e="${peak_kb[$1]}" -v f="${peak_kb[$2]}" 'function q(x, y) { return y > 0 ? sprintf("%.2f", x / y) : "-" }
      BEGIN { printf "%s / %s / %s", q(a, b), q(c, d), q(e, f) }'
}

row() { # N source program name check [ratio]
  printf '| %s | %s | %s | %s | %s | %d | %s | %s |\n' "$1" "$2" "$3" "${wall_s[$4]}" "${cpu_s[$4]}" \
    $(((peak_kb[$4] + 512) / 1024)) "${6:--}" "$5"
}

echo "$(date -u '+%Y-%m-%d %H:%M UTC'): load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| users | source | program | median wall s | median CPU s | peak MB | ÷ peer (wall / CPU / memory) | duplicate lines |"
echo "|---|---|---|---|---|---|---|---|"

# ---- tree files ------------------------------------------------------------
tree_file=""
tree_veralith() { measure "$1" "$cli" --tree-file "$tree_file" find --base .Big --class User \
  --attribute "Telephone Number" --recurse; }
tree_load() { measure "$1" "$cli" --tree-file "$tree_file" containers --context .Big; }
tree_python() { measure "$1" python3 "$snap/pydups.py" "$tree_file"; }

# The lines the generator planted: user i (every 100th) repeats user i-1.
tree_expected() {
  python3 - "$1" <<'PY'
import sys
n = int(sys.argv[1])
for i in range(100, n + 1, 100):
    print("u%07d.ou%02d.Big / u%07d.ou%02d.Big: (Telephone Number = +1 555 %07d)" % (i, i % 50, i - 1, (i - 1) % 50, i - 1))
PY
}

check_lines() { # expected actual -> "ok (K)" or exits
  if cmp -s <(sort "$1") <(sort "$2"); then
    echo "ok ($(wc -l < "$1"))"
  else
    echo "MISMATCH: $2 differs from $1" >&2
    diff <(sort "$1") <(sort "$2") | head -5 >&2
    exit 1
  fi
}

if [[ $which != ldap ]]; then
  for n in $sizes; do
    tree_file=$work/tree-$n.json
    if [[ ! -s $tree_file ]]; then
      python3 "$snap/gen-tree.py" "$n" "$tree_file.tmp" && mv "$tree_file.tmp" "$tree_file"
    fi
    tree_expected "$n" > "$work/tree-$n.expected"
    bench_rounds tree_veralith tree_python tree_load
    row "$n" "tree file" "veralith-cli find" tree_veralith \
      "$(check_lines "$work/tree-$n.expected" "$work/tree_veralith.out")" "$(ratio tree_veralith tree_python)"
    row "$n" "tree file" "veralith-cli containers (load only)" tree_load "-"
    row "$n" "tree file" "pydups.py" tree_python "$(check_lines "$work/tree-$n.expected" "$work/tree_python.out")"
  done
fi

# ---- LDAP ------------------------------------------------------------------
slapd_dir=""
stop_slapd() {
  if [[ -n $slapd_dir ]]; then
    "$ldapb/stop-slapd.sh" "$slapd_dir" --clean > /dev/null 2>&1 || true
    slapd_dir=""
  fi
}
trap stop_slapd EXIT

ldap_veralith() { measure "$1" "$cli" --tree-file "${LDAP_URI%/}/o=Acme" find --base .Acme --class inetOrgPerson \
  --attribute mail --recurse; }
ldap_bare() { measure "$1" ldapsearch -x -LLL -o ldif-wrap=no -H "$LDAP_URI" -b o=Acme -s sub \
  '(objectClass=inetOrgPerson)' mail; }
ldap_peer() { measure "$1" "$ldapb/peer-dups.sh" -H "$LDAP_URI" -b o=Acme -a mail; }

# Checks the run's lines against the manifest: for every duplicated mail
# value, the objects named in its lines are exactly the users the generator
# gave it, with one line per user after the first; the peer's values are the
# manifest's values.
ldap_check() { # manifest veralith-output peer-output
  python3 - "$@" <<'PY'
import json, re, sys
manifest = json.load(open(sys.argv[1]))["mail"]
def dotted(dn):
    return ".".join(part.split("=", 1)[1] for part in dn.split(","))
want = {value: sorted(dotted(dn) for dn in dns) for value, dns in manifest["whole"].items()}
got, lines = {}, {}
for line in open(sys.argv[2], encoding="utf-8"):
    m = re.fullmatch(r"(.*) / (.*): \(mail = (.*)\)\n?", line)
    if not m:
        sys.exit("unexpected line: " + line)
    key = m.group(3).lower()
    got.setdefault(key, set()).update((m.group(1), m.group(2)))
    lines[key] = lines.get(key, 0) + 1
bad = [k for k in set(want) | set(got) if sorted(got.get(k, ())) != want.get(k) or lines.get(k, 0) != len(want.get(k, ())) - 1]
peer = {line.rstrip("\n").lower() for line in open(sys.argv[3], encoding="utf-8") if line.strip()}
if bad or peer != set(manifest["per_value"]):
    sys.exit("MISMATCH with the manifest: %d values differ, peer %s" % (len(bad), peer == set(manifest["per_value"])))
print("ok (%d)" % sum(lines.values()))
PY
}

if [[ $which != tree ]]; then
  for n in $ldap_sizes; do
    if ((skip_big_ldap && n >= 1000000)); then
      echo "| $n | LDAP | (left out: -L) | - | - | - | - | - |"
      continue
    fi
    ldif=$work/acme-$n.ldif
    if [[ ! -s $ldif || ! -s $work/acme-$n.json ]]; then
      python3 "$ldapb/gen-ldif.py" -n "$n" -o "$ldif" --manifest "$work/acme-$n.json"
    fi
    slapd_dir=$work/slapd-$n
    rm -rf "$slapd_dir"
    eval "$("$ldapb/start-slapd.sh" -d "$slapd_dir" -l "$ldif")"
    bench_rounds ldap_veralith ldap_bare ldap_peer
    check=$(ldap_check "$work/acme-$n.json" "$work/ldap_veralith.out" "$work/ldap_peer.out")
    row "$n" LDAP "veralith-cli find" ldap_veralith "$check" "$(ratio ldap_veralith ldap_bare)"
    row "$n" LDAP "ldapsearch (bare)" ldap_bare "-"
    row "$n" LDAP "peer-dups.sh" ldap_peer "same values"
    stop_slapd
  done
fi
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)," \
  "medians of $rounds alternating rounds after a warm-up; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
