#!/usr/bin/env bash
# The filter beside iconv and cat, in one run on the same files: its time as a multiple of
# `iconv -f UTF-8 -t UTF-16LE` (and of cat), its peak memory, its start-up, and the engine's
# throughput beside memcpy and iconv in the same process (forward into fresh memory, and into an
# output string kept from run to run, as memcpy and iconv write). Times are medians of several
# runs.
#   bench/filter_vs_iconv.sh [--with-1g]   (after: make bench, or a release build with benchmarks)
set -euo pipefail
sizes=(1 32)
[[ ${1:-} == --with-1g ]] && sizes+=(1024)
build=${BUILD_DIR:-build/release}
cli=$build/cli/lipimattam-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds that a command takes, the median of enough runs to fill about a second (3 at least).
seconds() {
  local runs=3 start end
  start=$EPOCHREALTIME; "$@"; end=$EPOCHREALTIME
  runs=$(awk -v s="$start" -v e="$end" 'BEGIN { n = int(1 / (e - s + 1e-6)); print (n < 3 ? 3 : (n > 200 ? 200 : n)) }')
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME; "$@"; end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f\n", e - s }'
  done | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}
peak_mb() { /usr/bin/time -f '%M' -o "$work/peak" "$@"; awk '{ printf "%.1f", $1 / 1024 }' "$work/peak"; }

filter() { "$cli" "$@" > "$work/out"; }
iconv_of() { iconv -f UTF-8 -t UTF-16LE "$1" > "$work/out"; }
cat_of() { cat "$1" > "$work/out"; }

echo "The filter against iconv -f UTF-8 -t UTF-16LE and cat, same file, same run ($(nproc) cores)"
printf '%-34s %9s %9s %9s %8s %8s %9s\n' case MB filter_s iconv_s x_iconv x_cat peak_MB
for mb in "${sizes[@]}"; do
  "$build/bench/lipimattam-make-text" "$mb" > "$work/malayalam.txt"
  "$build/bench/lipimattam-make-text" "$mb" mixed > "$work/mixed.txt"
  "$cli" "$work/malayalam.txt" -o "$work/codes.txt"
  for case in "malayalam.txt" "mixed.txt:80 % ASCII" "codes.txt:--to-unicode"; do
    file=$work/${case%%:*}
    options=()
    [[ $case == *--to-unicode ]] && options=(--to-unicode)
    name="${case%%:*}${options[*]:+ ${options[*]}}"
    [[ $case == mixed* ]] && name="mixed.txt (80 % ASCII)"
    f=$(seconds filter "${options[@]}" "$file")
    i=$(seconds iconv_of "$file")
    c=$(seconds cat_of "$file")
    m=$(peak_mb "$cli" "${options[@]}" "$file" -o /dev/null)
    awk -v n="$name" -v b="$(stat -c %s "$file")" -v f="$f" -v i="$i" -v c="$c" -v m="$m" \
      'BEGIN { printf "%-34s %9.1f %9.4f %9.4f %8.2f %8.2f %9s\n", n, b / 1048576, f, i, f / i, f / c, m }'
  done
done

echo
echo "Start-up: the median of many runs"
version() { "$1" --version > /dev/null; }
empty() { "$@" < /dev/null > /dev/null; }
v=$(seconds version "$cli")
iv=$(seconds version iconv)
e=$(seconds empty "$cli")
ie=$(seconds empty iconv -f UTF-8 -t UTF-16LE)
awk -v v="$v" -v iv="$iv" -v e="$e" -v ie="$ie" 'BEGIN {
  printf "--version     %.2f ms, iconv --version %.2f ms: %.2f x iconv\n", v * 1e3, iv * 1e3, v / iv
  printf "empty input   %.2f ms, iconv           %.2f ms: %.2f x iconv\n", e * 1e3, ie * 1e3, e / ie }'

echo
echo "The engine in one process (Google Benchmark; units of UTF-16 text, or glyph codes)"
"$build/bench/convert_bench" --benchmark_filter='ConvertWithoutHook|ConvertIntoKeptOutput|ConvertBackToUnicode|CopyWithMemcpy|DecodeWithIconv' \
  --benchmark_format=csv 2> /dev/null | awk -F, '
  NR == 1 { for (k = 1; k <= NF; k++) if ($k == "items_per_second") col = k }
  /^"/ { split($1, name, "/"); gsub(/"/, "", name[1]); gsub(/"/, "", name[2]); rate[name[1] "/" name[2]] = $col / 1e6; sizes[name[2]] = 1 }
  END {
    for (s in sizes) {
      f = rate["ConvertWithoutHook/" s]; k = rate["ConvertIntoKeptOutput/" s]
      r = rate["ConvertBackToUnicode/" s]; m = rate["CopyWithMemcpy/" s]; i = rate["DecodeWithIconv/" s]
      printf "%2d MB: forward %6.1f M units/s (%6.1f into a kept string), reverse %6.1f M codes/s; iconv %6.1f M units/s (forward %.2f x, kept %.2f x, reverse %.2f x iconv), memcpy %.0f M units/s\n",
        s / 1048576, f, k, r, i, f / i, k / i, r / i, m
    }
  }' | sort -n
