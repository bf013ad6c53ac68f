#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest on the
# offscreen Qt platform.
set -euo pipefail
cd "$(dirname "$0")"

# The core library must stay free of widgets: its target does not link Qt
# Widgets, and no core source may reach the widget headers by full path.
if git ls-files -- store money members admins maintenance app 2>/dev/null \
   | grep -E '\.(cpp|h)$' | xargs -r grep -lE '#include <QtWidgets/' ; then
  echo "The files above include widget headers by full path." >&2
  exit 1
fi

./scripts/build.sh -DPELLOMAR_TESTS=ON
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --timeout 300 -j2

# The fuzz target of the number reading and the money arithmetic needs
# clang++ and its libFuzzer runtime; a failing input fails the script.
cd ..
fuzz_runtime=(/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a)
if command -v clang++ >/dev/null 2>&1 && [ -f "${fuzz_runtime[0]}" ]; then
  PELLOMAR_FUZZ_RUNS=400000 ./tests/fuzz/run.sh
else
  echo "Fuzz run skipped: clang++ or the libFuzzer runtime is missing."
fi
