#!/bin/sh
# Registers SQLite's and FreeTDS's ODBC drivers in an odbcinst.ini of their own under DIR
# (default: a new temp directory), installing the Debian packages when missing and root.
# Prints DIR. Point ODBCSYSINI at it to use the drivers registered there.
set -eu
dir=${1:-$(mktemp -d "${TMPDIR:-/tmp}/korvanda-odbc.XXXXXX")}
mkdir -p "$dir"
missing=""
for pkg in unixodbc odbcinst libsqliteodbc tdsodbc; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing="$missing $pkg"
done
if [ -n "$missing" ]; then
  [ "$(id -u)" = 0 ] || { echo "setup.sh: packages missing ($missing) and not root" >&2; exit 2; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing >&2 ||
    { echo "setup.sh: apt-get could not install$missing" >&2; exit 2; }
fi
odbcdir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)/odbc
for f in libsqlite3odbc.so libtdsodbc.so; do
  [ -f "$odbcdir/$f" ] || { echo "setup.sh: driver file $odbcdir/$f not found" >&2; exit 2; }
done
# A private odbcinst.ini: the system files are left as they are.
: > "$dir/odbc.ini"
cat > "$dir/odbcinst.ini" <<INI
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$odbcdir/libsqlite3odbc.so
Setup=$odbcdir/libsqlite3odbc.so
UsageCount=1

[FreeTDS]
Description=FreeTDS (SQL Server)
Driver=$odbcdir/libtdsodbc.so
Setup=$odbcdir/libtdsS.so
UsageCount=1
INI
ODBCSYSINI=$dir odbcinst -q -d | grep -q '^\[SQLite3\]$' ||
  { echo "setup.sh: odbcinst does not see the SQLite3 driver in $dir" >&2; exit 2; }
echo "$dir"
