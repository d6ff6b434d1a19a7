#!/usr/bin/env bash
# Times `veralith-cli find --mode duplicates --recurse` over an OpenLDAP server
# holding COUNT inetOrgPerson users against the shell recipe
# `ldapsearch | sort -f | uniq -di` and the bare ldapsearch, side by side, and
# checks that both find the same duplicate values.
#
# usage: bench/ldap_find_bench.sh [COUNT] [VERALITH_CLI]
#   COUNT         users to generate (default 100000)
#   VERALITH_CLI  the program to time (default build/release/app/veralith-cli)
# The server runs from a temporary directory on a free loopback port and is
# stopped by its PID at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-100000}
cli=${2:-build/release/app/veralith-cli}
if [[ ! -x $cli ]]; then
  echo "no veralith-cli at $cli (cmake --preset release && cmake --build build/release --target veralith-cli)" >&2
  exit 2
fi

dir=$(mktemp -d /tmp/veralith-ldap-bench-XXXXXX)
pid=""
cleanup() {
  if [[ -n $pid ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap cleanup EXIT

# Users user000001 ... in 10 units; every 50th shares its mail with the user
# before it (in upper case), so there are count/50 duplicated values.
python3 - "$count" > "$dir/data.ldif" <<'PY'
import sys
n = int(sys.argv[1])
out = sys.stdout
out.write("dn: o=Acme\nobjectClass: organization\no: Acme\n\n")
for u in range(10):
    out.write(f"dn: ou=Unit{u},o=Acme\nobjectClass: organizationalUnit\nou: Unit{u}\n\n")
for i in range(1, n + 1):
    owner = i - 1 if i % 50 == 0 else i
    mail = f"user{owner:06d}@acme.example"
    if i % 50 == 0:
        mail = mail.upper()
    out.write(f"dn: cn=user{i:06d},ou=Unit{i % 10},o=Acme\nobjectClass: inetOrgPerson\n"
              f"cn: user{i:06d}\nsn: User {i}\nmail: {mail}\n\n")
PY

mkdir "$dir/db"
cat > "$dir/slapd.conf" <<CONF
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/nis.schema
include /etc/ldap/schema/inetorgperson.schema
pidfile $dir/slapd.pid
argsfile $dir/slapd.args
modulepath /usr/lib/ldap
moduleload back_mdb
tool-threads 1
sizelimit unlimited
database mdb
maxsize 4294967296
suffix "o=Acme"
directory $dir/db
access to * by * read
CONF

now() { date +%s.%N; }
start=$(now)
/usr/sbin/slapadd -q -f "$dir/slapd.conf" -l "$dir/data.ldif"
echo "loaded $count users with slapadd in $(echo "$(now) - $start" | bc) s"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/sbin/slapd -d 0 -f "$dir/slapd.conf" -h "ldap://127.0.0.1:$port/" > "$dir/slapd.log" 2>&1 &
pid=$!
for _ in $(seq 200); do
  ldapsearch -x -LLL -H "ldap://127.0.0.1:$port/" -b "" -s base namingContexts > /dev/null 2>&1 && break
  sleep 0.05
done
url="ldap://127.0.0.1:$port/o=Acme"

seconds() { # runs "$@", prints its wall time in seconds
  local t0 t1
  t0=$(now)
  "$@"
  t1=$(now)
  printf '%.3f' "$(echo "$t1 - $t0" | bc)"
}

bare() {
  ldapsearch -x -LLL -H "ldap://127.0.0.1:$port/" -b o=Acme mail > "$dir/bare.out"
}
recipe() {
  ldapsearch -x -LLL -H "ldap://127.0.0.1:$port/" -b o=Acme mail | sort -f | uniq -di > "$dir/recipe.out"
}
veralith() {
  "$cli" --tree-file "$url" find --mode duplicates --attribute mail --recurse > "$dir/veralith.out" || [[ $? == 1 ]]
}

# One warm-up of each (the server's caches), then three timed rounds.
bare
recipe
veralith
printf '%-6s %12s %14s %14s\n' round "ldapsearch" "recipe(sort)" "veralith-cli"
for round in 1 2 3; do
  printf '%-6s %12s %14s %14s\n' "$round" "$(seconds bare)" "$(seconds recipe)" "$(seconds veralith)"
done

# Same duplicates: the recipe prints one "mail: value" line per duplicated
# value; the run prints "later / earlier: (mail = value)" for each later holder.
recipe_values=$(grep '^mail: ' "$dir/recipe.out" | sed 's/^mail: //' | tr 'A-Z' 'a-z' | sort -u | wc -l)
veralith_values=$(sed -n 's/.*(mail = \(.*\))$/\1/p' "$dir/veralith.out" | tr 'A-Z' 'a-z' | sort -u | wc -l)
echo "duplicated values: recipe $recipe_values, veralith-cli $veralith_values (generated $((count / 50)))"
if [[ $recipe_values != "$veralith_values" ]]; then
  echo "the runs disagree" >&2
  exit 1
fi
