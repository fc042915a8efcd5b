#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/, clang + libFuzzer + ASan/UBSan) and runs each for SECONDS:
#   scripts/fuzz.sh SECONDS [target...]
# targets: project, extension (what follows a project's record), render (a loaded project drawn
# headless), bmp gif jpeg tiff png, svg pdf; default all.
# The corpus each run grows is kept in build-fuzz/corpus/<target>/ for the next run; the inputs
# of past findings (fuzz/regressions/<target>/) are replayed first. An input that breaks
# something is written to build-fuzz/findings/<target>/ and fails the script.
set -euo pipefail
seconds=${1:?usage: scripts/fuzz.sh SECONDS [target...]}
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(project extension render bmp gif jpeg tiff png svg pdf)

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}

# clang and its libFuzzer runtime, from Debian, only when missing.
if ! command -v clang++ >/dev/null ||
  ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi
"$root/scripts/install-deps.sh"

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -rf "$build/seeds"
"$build/make_corpus" "$build/seeds"

# Leaks count; a report stops the run. The quarantine is kept small because pictures can be big.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=64:allocator_may_return_null=0}
# Leaks inside third-party libraries (font configuration, Qt PDF) are the tests' known ones.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan-third-party.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

printf '%-8s %8s %12s %10s %8s\n' target seconds executions corpus findings
failed=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  log=$build/logs/$t.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  status=0
  # A picture may use the whole load budget (1 GiB), no single allocation may go past it, and
  # stderr is closed so the decoders' chatter stays out of the log (reports still reach it).
  # Seeds stay in the corpus even when they add no coverage of ours: they reach the decoders.
  "$build/fuzz_$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 \
    -malloc_limit_mb=1100 -close_fd_mask=2 -keep_seed=1 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "$build/seeds/$t" \
    $([ -d "$root/fuzz/regressions/$t" ] && echo "$root/fuzz/regressions/$t") >"$log" 2>&1 ||
    status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(find "$findings" -type f | wc -l)
  printf '%-8s %8s %12s %10s %8s\n' "$t" "$seconds" "${executions:-?}" \
    "$(find "$corpus" -type f | wc -l)" "$found"
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    echo "  $t: see $log and $findings/" >&2
  fi
done
exit $failed
