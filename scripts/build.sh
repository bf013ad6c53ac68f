#!/usr/bin/env bash
# Installs what is missing, configures and builds into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
else
  cmake -S . -B build "$@" >/dev/null
fi
cmake --build build --parallel "$(nproc)"
