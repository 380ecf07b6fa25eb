#!/usr/bin/env bash
# The filter end to end on a generated file: throughput and peak memory, beside the time iconv
# takes only to decode the same file, in the same run. The median of three runs of each.
#   bench/cli_throughput.sh [MEGABYTES]   (after: make bench, or a release build with benchmarks)
set -euo pipefail
megabytes=${1:-100}
build=${BUILD_DIR:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/lipimattam-make-text" "$megabytes" > "$work/in.txt"
sync  # the input is on the disk: writing it back does not slow what is measured
size=$(stat -c %s "$work/in.txt")
median() { sort -n | sed -n 2p; }
for run in 1 2 3; do
  /usr/bin/time -f '%e %M' -a -o "$work/filter" \
    "$build/cli/lipimattam-cli" "$work/in.txt" -o "$work/out.txt"
  /usr/bin/time -f '%e' -a -o "$work/stdout" \
    "$build/cli/lipimattam-cli" "$work/in.txt" > "$work/out-stdout.txt"
  /usr/bin/time -f '%e' -a -o "$work/iconv" iconv -f UTF-8 -t UTF-16LE "$work/in.txt" > "$work/utf16"
done
read -r seconds peak_kb < <(median < "$work/filter")
to_stdout=$(median < "$work/stdout")
iconv=$(median < "$work/iconv")
awk -v s="$seconds" -v o="$to_stdout" -v i="$iconv" -v b="$size" -v k="$peak_kb" 'BEGIN {
  printf "input %.1f MB: -o %.2f s (%.0f MB/s, synced), to standard output %.2f s (%.0f MB/s)\n",
         b / 1e6, s, b / 1e6 / s, o, b / 1e6 / o
  printf "iconv -f UTF-8 -t UTF-16LE %.2f s: the filter takes %.2f times that (%.2f to standard output)\n",
         i, s / i, o / i
  printf "peak memory %.0f MB (%.2fx the input)\n", k / 1024, k * 1024 / b }'
