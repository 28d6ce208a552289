#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite through ctest, the PostgreSQL
# tests (label "postgres") against a throw-away server that is stopped again however the tests
# end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

pgdir=build/postgres-test
trap 'scripts/pg_test_cluster.sh stop "$pgdir"' EXIT
scripts/pg_test_cluster.sh start "$pgdir"
# shellcheck source=/dev/null
source "$pgdir/env.sh"
ctest --test-dir build --output-on-failure -j"$(nproc)"
if [ -d build/screenshots ]; then echo "Screenshots of the workbench: build/screenshots/"; fi
if compgen -G "build/package/quarry_*.deb" >/dev/null; then echo "Debian package: $(ls build/package/quarry_*.deb)"; fi
