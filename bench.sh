#!/usr/bin/env bash
# Builds the benchmarks (optimised) and prints the table of measurements.
# Synthetic databases are kept in build-bench/bench-work between runs.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
# The office suite the export is compared with (large: only the benchmarks
# need it, so the tests' setup leaves it out).
if ! command -v soffice >/dev/null 2>&1; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends libreoffice-calc-nogui
fi
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B build-bench "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
      -DPELLOMAR_BENCH=ON -DPELLOMAR_TESTS=ON >/dev/null
cmake --build build-bench --parallel "$(nproc)" \
      --target pellomar_bench tst_measure tst_crashsafety
export QT_QPA_PLATFORM=offscreen
# The benchmark's own statistics and flush counter first.
./build-bench/bench/tst_measure -silent
# The crash-safety soak: 200 kills per commission mode (about a minute and a
# half; the tests run 20).
PELLOMAR_CRASH_KILLS=200 ./build-bench/tests/faults/tst_crashsafety -silent
echo "started $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores:" \
     "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
exec ./build-bench/bench/pellomar_bench "$PWD/build-bench/bench-work" "$@"
