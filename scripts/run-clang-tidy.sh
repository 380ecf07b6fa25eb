#!/usr/bin/env bash
# Runs clang-tidy with the committed .clang-tidy over every source file of the project, using
# the compile commands of a configured and built folder; any finding fails. With --program it
# leaves out the tests and the benchmarks, whose Google Test and Benchmark code takes half of
# clang-tidy's time: CI checks the program so, and `make tidy` checks everything.
#   scripts/run-clang-tidy.sh [--program] [BUILD_DIR]      (default build/dev)
set -euo pipefail
cd "$(dirname "$0")/.."
scope='^tests/library_consumer/'
if [ "${1:-}" = --program ]; then
  scope='^(tests|bench)/'
  shift
fi
build=${1:-build/dev}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 1; }
# The library consumer is built on its own, against the installed library.
mapfile -t files < <(git ls-files '*.cpp' | grep -Ev "$scope")
# The compile commands are GCC's; clang does not know some of its warning options.
run-clang-tidy-14 -quiet -clang-tidy-binary clang-tidy-14 -p "$build" \
  -extra-arg=-Wno-unknown-warning-option "${files[@]}" > "$build/clang-tidy.log" 2>&1 || {
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E -A3 '(warning|error): ' >&2
  echo "clang-tidy found the above (full log: $build/clang-tidy.log)" >&2
  exit 1
}
echo "clang-tidy: ${#files[@]} files, no findings"
