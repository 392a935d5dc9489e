#!/bin/bash
# The test command: installs what is needed, builds, starts the two
# PostgreSQL test servers (a CTest fixture does it) and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
cd "$root/build"
export LC_ALL=C.UTF-8
# One test at a time: some tests stop and restart a test server on purpose.
ctest --output-on-failure
