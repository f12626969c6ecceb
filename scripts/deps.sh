#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing.
#   scripts/deps.sh fuzz   also what scripts/fuzz.sh needs (clang and its fuzzer)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  nlohmann-json3-dev libsimdjson-dev libcurl4-openssl-dev libpugixml-dev libcsv-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  microsocks python3
  xvfb xauth
  jq
  libqt6svg6
  desktop-file-utils appstream mandoc man-db dpkg-dev binutils
)
# The fuzz targets are built with clang; the normal build and tests are not.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
