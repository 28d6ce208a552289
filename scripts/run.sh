#!/usr/bin/env bash
# Installs what is needed, builds in Release (with the sample database) and runs QUARRY.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
exec build/bin/quarry-cli demo
