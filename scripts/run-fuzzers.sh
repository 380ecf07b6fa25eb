#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a while (default 60 s).
#   scripts/run-fuzzers.sh [SECONDS]
# A crash or a broken property stops the run with the input that caused it, printed here and
# kept under build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(convert_fuzz codec_fuzz xml_fuzz document_fuzz)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"
mkdir -p build/fuzz/artifacts
status=0
passed=0
failed=0
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/${target%_fuzz}
  dictionary=fuzz/${target%_fuzz}.dict
  [ -f "$dictionary" ] || dictionary=fuzz/malayalam.dict
  work=$(mktemp -d)
  echo "== $target for $seconds s"
  if ! "build/fuzz/fuzz/$target" "$work" "$seeds" -dict="$dictionary" -max_len=4096 \
      -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ \
      > "build/fuzz/$target.log" 2>&1; then
    status=1
    failed=$((failed + 1))
    tail -n 60 "build/fuzz/$target.log"
    for artifact in build/fuzz/artifacts/*; do
      [ -f "$artifact" ] || continue
      echo "reproducer $artifact:"
      od -A d -t x1 "$artifact" | head -n 40
    done
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
    "build/fuzz/$target.log" || true
  rm -rf "$work"
done
passed=$((${#targets[@]} - failed))
echo "fuzz: $passed passed, $failed failed"
exit $status
