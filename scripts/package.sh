#!/bin/bash
# Builds the program and its Debian package (CPack) into build/ and prints
# the package's path. Install it with: apt-get install ./build/<package>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" qingsong-luru
cd "$root/build"
rm -f qingsong-luru_*.deb
cpack -G DEB >/dev/null
ls "$root"/build/qingsong-luru_*.deb
