#!/usr/bin/env bash
# Installs what is needed, builds in Release (with the sample database) and starts the QUARRY
# workbench on the sample database.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display is available, so the QUARRY window cannot open here." >&2
  echo "Everything the workbench does runs without a window too: try" >&2
  echo "    build/bin/quarry-cli demo" >&2
  echo "and build/bin/quarry-cli --help for the other commands." >&2
  exit 1
fi
exec build/bin/quarry "$@"
