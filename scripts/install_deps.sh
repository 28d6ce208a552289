#!/usr/bin/env bash
# Installs the Debian 12 packages QUARRY needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3 libsqlite3-dev
  postgresql odbc-postgresql
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-charts-dev qt6-speech-dev qt6-declarative-dev libxkbcommon-dev
  qt6-qpa-plugins fonts-dejavu-core
  xvfb xauth imagemagick
  dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
