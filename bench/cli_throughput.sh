#!/usr/bin/env bash
# The filter end to end on a generated file: throughput and peak memory.
#   bench/cli_throughput.sh [MEGABYTES]   (after: cmake --preset release && cmake --build --preset release)
set -euo pipefail
megabytes=${1:-100}
build=${BUILD_DIR:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/lipimattam-make-text" "$megabytes" > "$work/in.txt"
size=$(stat -c %s "$work/in.txt")
/usr/bin/time -f '%e %M' -o "$work/time" "$build/cli/lipimattam-cli" "$work/in.txt" -o "$work/out.txt"
read -r seconds peak_kb < "$work/time"
awk -v s="$seconds" -v b="$size" -v k="$peak_kb" 'BEGIN {
  printf "input %.1f MB, %.2f s, %.0f MB/s, peak memory %.0f MB (%.2fx the input)\n",
         b / 1e6, s, (s > 0 ? b / 1e6 / s : 0), k / 1024, k * 1024 / b }'
