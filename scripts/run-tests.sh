#!/usr/bin/env bash
# Runs the tests of a CMake preset with a temporary folder of their own, and fails if they
# leave anything in it: every test cleans up what it, and the tools it runs, made.
#   run-tests.sh PRESET [ctest options...]
set -euo pipefail
preset=$1
shift
cd "$(dirname "$0")/.."
tmp=$PWD/build/$preset/test-tmp
rm -rf "$tmp"
mkdir -p "$tmp"
TMPDIR=$tmp ctest --preset "$preset" "$@"
left=$(find "$tmp" -mindepth 1 -maxdepth 1 -printf '  %f\n')
rm -rf "$tmp"
if [ -n "$left" ]; then
  printf 'The tests left these in their temporary folder:\n%s\n' "$left" >&2
  exit 1
fi
