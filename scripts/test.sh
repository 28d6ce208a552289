#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
if [ -d build/screenshots ]; then echo "Screenshots of the workbench: build/screenshots/"; fi
