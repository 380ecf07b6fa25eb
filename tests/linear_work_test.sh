#!/usr/bin/env bash
# The conversion's work grows linearly with its input: callgrind counts the instructions of
# ConvertText on worst-case inputs of 10^3, 10^4 and 10^5 code units, and the work that the
# last 90,000 units add must be between 5 and 12 times what the 9,000 before them add (what
# every conversion costs whatever its length cancels out; quadratic work would give 100, and a
# short text pays more for the room made for its first slice, so the ratio may fall below 10).
#   linear_work_test.sh DRIVER
set -euo pipefail
driver=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() {  # pattern units -> instructions inside ConvertText
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --collect-atstart=no \
    --toggle-collect='lipimattam::ConvertText*' "$driver" "$1" "$2" > /dev/null 2> "$work/log" ||
    { cat "$work/log"; exit 1; }
  awk '/^(summary|totals):/ { print $2; exit }' "$work/out"
}

failures=0
for pattern in viramas pre-base-signs two-part-signs brace-and-s brace-and-ss \
               sa-virama-rra-ligature conjunct-pairs chillu-then-rra tail-repairs; do
  small=$(count "$pattern" 1000)
  medium=$(count "$pattern" 10000)
  large=$(count "$pattern" 100000)
  verdict=$(awk -v a="$small" -v b="$medium" -v c="$large" 'BEGIN {
    r = (c - b) / (b - a)
    ok = (r >= 5 && r <= 12)
    printf "%s %.2f", ok ? "ok" : "FAIL", r }')
  printf '%-24s %12s %12s %12s instructions; ratio %s\n' "$pattern" "$small" "$medium" "$large" \
    "$verdict"
  case $verdict in FAIL*) failures=$((failures + 1)) ;; esac
done
echo "$((9 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
