#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (Debian 12, as root).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsqlite3-dev sqlite3 libssl-dev
  unixodbc-dev unixodbc odbcinst libsqliteodbc tdsodbc
  libcli11-dev libfmt-dev nlohmann-json3-dev libcsv-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}" ||
    { $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; }
fi
