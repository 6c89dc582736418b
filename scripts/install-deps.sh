#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the interoperability checks need.
# Idempotent: when every package is present it only checks and returns; `apt-get update`
# runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  zlib1g-dev libarchive-dev libutf8proc-dev libuchardet-dev
  libsqlite3-0 libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  unzip zip p7zip-full unar python3 default-jdk-headless pandoc unrtf
  xvfb xauth xdg-utils
  qt6-translations-l10n adwaita-icon-theme desktop-file-utils dpkg-dev
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
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
    echo "install-deps: run this script as root, or install sudo, to install them" >&2
    exit 1
  fi
  as_root=(sudo)
fi
# sudo resets the environment, so the non-interactive front end is set on the command itself:
# a package that asks a question (time zone, keyboard) must not stop an unattended run.
as_root+=(env DEBIAN_FRONTEND=noninteractive)
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
