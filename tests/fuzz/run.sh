#!/usr/bin/env bash
# Builds the fuzz target with clang++ into build-fuzz/ and runs it for a
# bounded time (PELLOMAR_FUZZ_SECONDS, 20 by default) from the seed corpus.
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
# The fuzzer adds what it finds to the corpus in build-fuzz/, never to the
# seeds kept in the source tree.
mkdir -p "$out/corpus"
cp -n "$root/tests/fuzz/corpus/"* "$out/corpus/"
log="$out/fuzz.log"
if ! "$out/fuzz_money" -max_total_time="${PELLOMAR_FUZZ_SECONDS:-20}" -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "Fuzzing found a failing input; see $log" >&2
  exit 1
fi
echo "Fuzz run passed: $(grep -m1 '^Done' "$log")"
