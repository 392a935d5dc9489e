#!/bin/bash
# Configures and builds into build/ (warnings are errors when CI=true).
# Arguments, if any, name the targets to build (default: everything).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
werror=OFF; [ "${CI:-}" = true ] && werror=ON
launcher=(); command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQS_WARNINGS_AS_ERRORS=$werror "${launcher[@]}" >/dev/null
targets=(); for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$root/build" -j "$(nproc)" "${targets[@]}"
