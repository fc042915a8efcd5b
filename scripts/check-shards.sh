#!/usr/bin/env bash
# Four shards of a batch, run side by side by GNU parallel, write exactly the pictures one batch
# writes: every job once, none twice, each the same bytes.
#
#   scripts/check-shards.sh BUILD_DIR
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
render=$(cd "$1" && pwd)/src/cli/cartonic-render
if ! command -v parallel >/dev/null; then
  echo "check-shards: GNU parallel is not installed; skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/one" "$work/four"
for j in $(seq 0 10); do
  echo "{\"project\": \"$root/examples/sample.ctn\", \"output\": \"s$j.png\", \"size\": \"48x36\", \"samples\": 1, \"yaw\": 0.$j}"
  [ $((j % 4)) -ne 2 ] || echo # a blank line is no job, but keeps its place in the count
done >"$work/jobs.jsonl"

(cd "$work/one" && "$render" --batch ../jobs.jsonl --quiet)
(cd "$work/four" && parallel --will-cite --halt now,fail=1 "$render" --batch ../jobs.jsonl --shard {}/4 --quiet \
  ::: 1 2 3 4)

if ! diff -r "$work/one" "$work/four"; then
  echo "check-shards: four shards did not write what one batch wrote" >&2
  exit 1
fi
count=$(ls "$work/one" | wc -l)
[ "$count" -eq 11 ] || { echo "check-shards: $count pictures, not 11" >&2; exit 1; }
echo "check-shards: 11 jobs, the same pictures from one batch and from four shards"
