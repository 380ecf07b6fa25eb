#!/usr/bin/env bash
# Installs the Debian 12 packages Lipimattam needs, with apt-get (through sudo when not root).
# Idempotent: when everything is present it says nothing and changes nothing.
#   install-deps.sh            what building and running the window and the filter need
#   install-deps.sh --dev      that and what development and CI need: the tests, the page
#                              (emscripten, Chromium), the sanitizers, fuzzing, packaging
set -euo pipefail

# Building and running: the compiler, Qt, the fonts the display font is made from.
runtime=(
  build-essential cmake ninja-build g++ pkg-config libutfcpp-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-tools-dev qt6-l10n-tools
  fonts-smc-anjalioldlipi libharfbuzz-dev python3-fonttools python3-brotli libzip-dev
)
# Developing: tests, benchmarks, clang's tools and sanitizers, the page and its browser tests,
# the packages' checks, LibreOffice to open the converted test documents.
development=(
  clang-14 clang-format-14 clang-tidy-14 libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  emscripten node-acorn chromium chromium-driver python3-selenium
  dpkg-dev lintian appstream desktop-file-utils groff-base
  valgrind time util-linux libreoffice-writer-nogui poppler-utils
)

packages=("${runtime[@]}")
case "${1:-}" in
  --dev) packages+=("${development[@]}") ;;
  "") ;;
  *) echo "usage: $0 [--dev]" >&2; exit 64 ;;
esac

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
