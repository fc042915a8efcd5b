#!/usr/bin/env bash
# What `make test` checks besides the tests: every tracked C++ file formatted as .clang-format
# says, and no misspelling in the tree. The program's own texts that must stay as they are spelt
# ("imsge files", "backgroud", ...) are listed in .codespell-ignore.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
status=0
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror 2>"$report"; then
  sed -n '1,20p' "$report" >&2
  echo "check-style: files above are not formatted; run make format" >&2
  status=1
fi
if command -v codespell >/dev/null; then
  if ! git ls-files -z | grep -zvE '\.(png|jpg|jpeg|ctn|svg|ico)$' |
       xargs -0 codespell --ignore-words=.codespell-ignore; then
    echo "check-style: misspellings above; fix them or, for the program's own texts, add them" \
         "to .codespell-ignore" >&2
    status=1
  fi
fi
exit $status
