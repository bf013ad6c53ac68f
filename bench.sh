#!/usr/bin/env bash
# Builds the benchmarks (optimised) and prints the table of measurements.
# Synthetic databases are kept in build-bench/bench-work between runs.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B build-bench "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
      -DPELLOMAR_BENCH=ON -DPELLOMAR_TESTS=ON >/dev/null
cmake --build build-bench --parallel "$(nproc)" --target pellomar_bench tst_crashsafety
export QT_QPA_PLATFORM=offscreen
# The crash-safety soak: 500 kills per commission mode.
PELLOMAR_CRASH_KILLS=500 ./build-bench/tests/faults/tst_crashsafety -silent
exec ./build-bench/bench/pellomar_bench "$PWD/build-bench/bench-work" "$@"
