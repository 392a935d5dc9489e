#!/bin/bash
# Installs what building, running and testing need on Debian 12 (run as root),
# and registers the FreeTDS ODBC driver under the name the connection string
# uses ("SQL Server").
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(
  cmake ninja-build g++ ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqt6sql6-odbc libqt6sql6-psql libqt6sql6-sqlite
  tdsodbc unixodbc odbcinst
  postgresql sqlite3 libpq-dev libsqlite3-dev pkg-config libzip-dev qt6-translations-l10n
  python3-sqlglot python3-docx python3-openpyxl
  fonts-wqy-microhei xvfb xauth imagemagick
  qt6-qpa-plugins dpkg-dev file desktop-file-utils xdotool
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The cluster that the postgresql package may create is not used: the tests
# start their own on other ports.
if ! odbcinst -q -d -n "SQL Server" >/dev/null 2>&1; then
  driver=$(ls /usr/lib/*/odbc/libtdsodbc.so | head -n 1)
  tmp=$(mktemp)
  cat > "$tmp" <<INI
[SQL Server]
Description=FreeTDS driver for SQL Server
Driver=$driver
INI
  odbcinst -i -d -f "$tmp" >/dev/null
  rm -f "$tmp"
fi
