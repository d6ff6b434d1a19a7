#!/usr/bin/env bash
# The search run at scale: generated trees of 10,000 and 100,000 users, the
# run of `find --mode duplicates --recurse` in process, the whole
# `veralith-cli find` command, and the same run behind the window's Search
# button offscreen. Builds the release preset's targets first.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build build/release --target veralith-cli veralith-bench-find veralith-bench-window-find -j2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" VERALITH_SYSTEM_DIR="$work" XDG_CONFIG_HOME="$work"
for users in 10000 100000; do
  echo "== $users users"
  build/release/app/veralith-bench-find --users "$users" --write "$work/tree-$users.json" \
    --cli build/release/app/veralith-cli --repeat 3
  build/release/app/veralith-bench-window-find "$work/tree-$users.json" 2>&1 | grep -v propagateSizeHints
done
