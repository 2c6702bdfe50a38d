#!/bin/sh
# Installs unixODBC with the SQLite and FreeTDS drivers when missing, and registers both
# drivers in an odbcinst.ini of their own under DIR (default: a new temp directory).
# Prints DIR. Point ODBCSYSINI at it to use the drivers registered there.
set -eu

dir=${1:-$(mktemp -d "${TMPDIR:-/tmp}/korvanda-odbc.XXXXXX")}
mkdir -p "$dir"

missing=""
for pkg in unixodbc odbcinst libsqliteodbc tdsodbc; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $pkg"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup.sh: packages missing ($missing) and not root to install them" >&2
    exit 2
  fi
  echo "setup.sh: installing$missing" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q --no-install-recommends $missing >&2 ||
    { apt-get update -q >&2 && apt-get install -y -q --no-install-recommends $missing >&2; } ||
    { echo "setup.sh: apt-get could not install$missing" >&2; exit 2; }
fi

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)
odbcdir=/usr/lib/$multiarch/odbc
sqlite_driver=$odbcdir/libsqlite3odbc.so
tds_driver=$odbcdir/libtdsodbc.so
for f in "$sqlite_driver" "$tds_driver"; do
  [ -f "$f" ] || { echo "setup.sh: driver file $f not found" >&2; exit 2; }
done

# A private odbcinst.ini: the system files are left as they are.
: > "$dir/odbcinst.ini"
: > "$dir/odbc.ini"
template=$(mktemp)
trap 'rm -f "$template"' EXIT
cat > "$template" <<INI
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$sqlite_driver
Setup=$sqlite_driver
UsageCount=1

[FreeTDS]
Description=FreeTDS (SQL Server)
Driver=$tds_driver
Setup=$odbcdir/libtdsS.so
UsageCount=1
INI
ODBCSYSINI=$dir odbcinst -i -d -r < "$template" >/dev/null
ODBCSYSINI=$dir odbcinst -q -d | grep -q '^\[SQLite3\]$' ||
  { echo "setup.sh: odbcinst did not register the SQLite3 driver in $dir" >&2; exit 2; }
echo "$dir"
