#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks that every file lands where a desktop expects
# it: both programs and the drawing program they start (found from the installed program's
# folder, as the user guide is), the user guide, the menu entry, the icon and the project type. Validates the entry and the type with the desktop's own tools
# where they are installed.
set -euo pipefail
build=${1:-build}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }
for f in bin/cartonic bin/cartonic-render libexec/cartonic/cartonic-draw; do
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
# A face drawn from an SVG: the installed program finds the installed drawing program.
printf '%s' "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='8'><rect width='8' height='8'/></svg>" \
  >"$prefix/face.svg"
said=$("$prefix/bin/cartonic-render" --face front="$prefix/face.svg" --size 32x24 \
  -o "$prefix/face.png" 2>&1) || fail "the installed cartonic-render cannot draw an SVG face: $said"
[ -z "$said" ] || fail "the installed cartonic-render cannot draw an SVG face: $said"
echo "check-install: all files in place under a fresh prefix"
