#!/usr/bin/env bash
# Runs every test headlessly. Render tests need no display (EGL surfaceless); widget tests get a
# virtual X server when there is no display. With a second build folder (a CARTONIC_SANITIZE
# build), its non-GUI suites run too, and any sanitizer report, leaks included, fails the run.
set -euo pipefail
build=${1:-build}
sanitized=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
run=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  run=(xvfb-run -a -s "-screen 0 1600x1200x24")
fi
(cd "$build" && "${run[@]}" ctest --output-on-failure -j"$(nproc)")

if [ -n "$sanitized" ]; then
  echo "Under AddressSanitizer and UndefinedBehaviorSanitizer:"
  export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
  export LSAN_OPTIONS=suppressions=$root/tests/lsan-third-party.supp:print_suppressions=0
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  (cd "$sanitized" && ctest --output-on-failure -j"$(nproc)" -LE gui)
fi
