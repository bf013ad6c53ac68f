#!/usr/bin/env bash
# Installs what is missing, builds, runs every test with CTest on the
# offscreen Qt platform, and builds and checks the Debian package.
set -euo pipefail
cd "$(dirname "$0")"

# Includes run only downward through the layers, and the core layers never
# reach the widget headers.
./scripts/check-layers.sh

./scripts/build.sh -DPELLOMAR_TESTS=ON
export QT_QPA_PLATFORM=offscreen
# CTest starts and stops the server tests' private PostgreSQL cluster; should
# the run itself be cut short, the cluster is stopped here.
trap "$PWD/tests/server/pgcluster.sh stop $PWD/build/tests/server-cluster" EXIT
cd build
ctest --output-on-failure --timeout 300 -j2

# The Debian package, unpacked into a temporary folder and checked.
cd ..
./scripts/check-package.sh build

# The fuzz target of the number reading and the money arithmetic needs
# clang++ and its libFuzzer runtime; a failing input fails the script.
fuzz_runtime=(/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a)
if command -v clang++ >/dev/null 2>&1 && [ -f "${fuzz_runtime[0]}" ]; then
  PELLOMAR_FUZZ_RUNS=400000 ./tests/fuzz/run.sh
else
  echo "Fuzz run skipped: clang++ or the libFuzzer runtime is missing."
fi
