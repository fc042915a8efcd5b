#!/usr/bin/env bash
# The README's copy of `cartonic-render --help`, between its two marker lines: checked against the
# program (the default), or rewritten from it with --update. The options are defined once, in
# the program; this keeps the README from drifting away from them.
set -euo pipefail
build=${1:-build}
mode=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
readme=$root/README.md
begin='<!-- begin cartonic-render --help -->'
end='<!-- end cartonic-render --help -->'

current=$(mktemp)
expected=$(mktemp)
trap 'rm -f "$current" "$expected"' EXIT
"$build/src/cli/cartonic-render" --help | sed 's/^\(.\)/    \1/' >"$expected"
awk -v b="$begin" -v e="$end" '$0 == e { inside = 0 } inside { print } $0 == b { inside = 1 }' \
  "$readme" | sed '1{/^$/d}' | sed '${/^$/d}' >"$current"

if [ "$mode" = "--update" ]; then
  awk -v b="$begin" -v e="$end" -v f="$expected" '
    $0 == b { print; print ""; while ((getline line < f) > 0) print line; print ""; skip = 1; next }
    $0 == e { skip = 0 }
    !skip { print }' "$readme" >"$readme.new"
  mv "$readme.new" "$readme"
  echo "readme-options: README.md now lists the options of $build/src/cli/cartonic-render"
  exit 0
fi
if ! diff -u "$current" "$expected"; then
  echo "readme-options: README.md's option list differs from cartonic-render --help;" \
       "run scripts/readme-options.sh $build --update" >&2
  exit 1
fi
