#!/usr/bin/env bash
# Installs every Debian 12 package that Lipimattam needs to build, run and test.
# Idempotent: when everything is present it says nothing and changes nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ clang-14 clang-format-14 clang-tidy-14 libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev libutfcpp-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-tools-dev qt6-l10n-tools
  libicu-dev fonts-smc-anjalioldlipi libharfbuzz-dev pkg-config python3-fonttools python3-brotli
  emscripten node-acorn chromium chromium-driver python3-selenium
  dpkg-dev lintian appstream desktop-file-utils groff-base
  valgrind time
)

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
