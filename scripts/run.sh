#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target vellum
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Run the program under a virtual display:" >&2
  echo "  xvfb-run -a build/release/vellum" >&2
  echo "or start it without a window system: QT_QPA_PLATFORM=offscreen build/release/vellum" >&2
  exit 1
fi
exec build/release/vellum "$@"
