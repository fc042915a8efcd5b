#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks that every file lands where a desktop expects
# it: both programs, the user guide (found from the installed program's folder), the menu entry,
# the icon and the project type. Validates the entry and the type with the desktop's own tools
# where they are installed.
set -euo pipefail
build=${1:-build}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }
for f in bin/cartonic bin/cartonic-render; do
  [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
for f in share/doc/Cartonic/user-guide.html share/applications/cartonic.desktop \
         share/icons/hicolor/scalable/apps/cartonic.svg share/mime/packages/cartonic.xml; do
  [ -s "$prefix/$f" ] || fail "$f is missing"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/cartonic.desktop" || fail "bad desktop entry"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "bad MIME type"
  grep -q 'application/x-cartonic-project' "$prefix/share/mime/globs2" || fail "no *.ctn glob"
  grep -q 'application/x-cartonic-project' "$prefix/share/mime/magic" || fail "no magic"
fi
"$prefix/bin/cartonic-render" --help >/dev/null || fail "the installed cartonic-render does not run"
echo "check-install: all files in place under a fresh prefix"
