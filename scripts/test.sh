#!/bin/bash
# The test command: installs what is needed, builds, starts the two
# PostgreSQL test servers (a CTest fixture does it) and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
cd "$root/build"
export LC_ALL=C.UTF-8
ctest --output-on-failure -j 2
