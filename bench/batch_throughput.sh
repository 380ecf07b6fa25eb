#!/usr/bin/env bash
# Batch mode on many small files: the batch, then the filter once per file from a shell loop
# (over the first thousand files, scaled up), and the ratio of the two.
#   bench/batch_throughput.sh [FILES] [BYTES]   (default 10000 files of 4096 bytes)
set -euo pipefail
files=${1:-10000}
bytes=${2:-4096}
build=${BUILD_DIR:-build/release}
cli="$build/cli/lipimattam-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
# Lines of generated Malayalam, cut into files of at most BYTES bytes at line ends.
"$build/bench/lipimattam-make-text" $(( files * bytes / 1000000 + 1 )) |
  split -C "$bytes" -a 6 -d --additional-suffix=.txt - "$work/in/f"
find "$work/in" -type f | sort | tail -n +$((files + 1)) | xargs -r rm
count=$(find "$work/in" -type f | wc -l)
sync
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { print b - a }'; }
start=$(now)
"$cli" -q -r "$work/in" --output-dir "$work/out"
batch=$(since "$start")
sample=$(( count < 1000 ? count : 1000 ))
mkdir "$work/loop"
start=$(now)
for f in $(find "$work/in" -type f | sort | head -n "$sample"); do
  "$cli" "$f" -o "$work/loop/$(basename "$f")"
done
loop=$(awk -v t="$(since "$start")" -v n="$count" -v s="$sample" 'BEGIN { print t * n / s }')
awk -v n="$count" -v b="$batch" -v l="$loop" 'BEGIN {
  printf "%d files: batch %.2f s, one process per file %.1f s (from %d), %.1f times faster\n",
         n, b, l, (n < 1000 ? n : 1000), l / b }'
