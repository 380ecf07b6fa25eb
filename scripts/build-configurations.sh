#!/usr/bin/env bash
# Builds Lipimattam the ways a packager and a newcomer do, beyond the presets:
#   make        CMake's default generator (Make) at -j2, without tests and without the page,
#               as Debian's packaging helpers build it
#   no-window   Ninja without the window (LIPIMATTAM_BUILD_UI=OFF) and without the page (the
#               development build makes it): the filter, its man page and its tests, built;
#               the man page's test and the filter's tests of documents run (the
#               development build runs them all)
# Each configuration says what failed; the script fails if any did.
set -euo pipefail
cd "$(dirname "$0")/.."
root=build/configurations
rm -rf "$root"
mkdir -p "$root"
failed=0
passed=0

run() {  # name, command...: runs the command with its output in $root/name.log
  local name=$1
  shift
  if "$@" >> "$root/$name.log" 2>&1; then
    return 0
  fi
  echo "configuration $name failed: $*" >&2
  tail -n 40 "$root/$name.log" >&2
  return 1
}

if run make cmake -S . -B "$root/make" -DLIPIMATTAM_BUILD_TESTS=OFF -DLIPIMATTAM_BUILD_WEB=OFF \
      -DLIPIMATTAM_WARNINGS_AS_ERRORS=ON &&
   run make cmake --build "$root/make" -j2; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

if run no-window cmake -S . -B "$root/no-window" -G Ninja -DLIPIMATTAM_BUILD_UI=OFF \
      -DLIPIMATTAM_BUILD_WEB=OFF -DLIPIMATTAM_WARNINGS_AS_ERRORS=ON &&
   run no-window cmake --build "$root/no-window" &&
   run no-window env TMPDIR="$PWD/$root" ctest --test-dir "$root/no-window" --output-on-failure \
      --no-tests=error -j2 -R '^(man_page|install_layout|CliDocuments\.|CliTest\.)'; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

grep -h "tests passed" "$root"/*.log || true
echo "configurations: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
