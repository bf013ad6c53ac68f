#!/usr/bin/env bash
# Builds the fuzz target with clang++ into build-fuzz/ and runs it for a
# bounded time (PELLOMAR_FUZZ_SECONDS, 20 by default) or number of inputs
# (PELLOMAR_FUZZ_RUNS) from the seed corpus.
# Exits non-zero when the fuzzer finds a failing input; the input is left in
# build-fuzz/ as crash-*.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$root/build-fuzz"
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
CXX=clang++ cmake -S "$root/tests/fuzz" -B "$out" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" --parallel 2 >/dev/null
# With PELLOMAR_FUZZ_RUNS set (as ./test.sh does) the run is repeatable: a
# fixed number of inputs from a fixed seed, starting from the seeds alone.
# Otherwise it runs for a time and keeps what it finds in build-fuzz/corpus,
# never in the seeds kept in the source tree.
if [ -n "${PELLOMAR_FUZZ_RUNS:-}" ]; then
  corpus="$out/corpus-fixed"
  rm -rf "$corpus"
  limit=(-runs="$PELLOMAR_FUZZ_RUNS" -seed=1)
else
  corpus="$out/corpus"
  limit=(-max_total_time="${PELLOMAR_FUZZ_SECONDS:-20}")
fi
mkdir -p "$corpus"
cp -n "$root/tests/fuzz/corpus/"* "$corpus/"
log="$out/fuzz.log"
if ! "$out/fuzz_money" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="$out/" "$corpus" >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "Fuzzing found a failing input; see $log" >&2
  exit 1
fi
echo "Fuzz run passed: $(grep -m1 '^Done' "$log")"
