#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the interoperability checks need.
# Idempotent: when every package is present it only checks and returns; `apt-get update`
# runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  zlib1g-dev libarchive-dev libutf8proc-dev
  libsqlite3-0 libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  unzip zip p7zip-full python3 default-jdk-headless
  xvfb xauth xdg-utils
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
