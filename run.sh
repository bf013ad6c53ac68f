#!/usr/bin/env bash
# Starts Pellomar. Checks for a display first, installs only what the program
# needs, builds the program alone (no tests) into build-run/, and starts it
# from its portable folder build-run/pellomar/, which holds the executable,
# table.mdb (the data) and zero.mdb (the blank template).
#
#   ./run.sh          from a desktop session
#   ./run.sh --xvfb   without a display, under xvfb-run (installed when missing)
set -euo pipefail
cd "$(dirname "$0")"

if [ "${1:-}" = "--xvfb" ]; then
  shift
  if ! command -v xvfb-run >/dev/null 2>&1; then
    ./scripts/setup.sh xvfb
  fi
  exec xvfb-run -a "$0" "$@"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Pellomar needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Start it from a desktop session, or under a virtual display with: ./run.sh --xvfb" >&2
  echo "(that installs xvfb when it is missing and runs the program under xvfb-run)." >&2
  exit 1
fi

./scripts/setup.sh program
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ ! -f build-run/CMakeCache.txt ]; then
  cmake -S . -B build-run "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLOMAR_TESTS=OFF
fi
cmake --build build-run --target pellomar --parallel "$(nproc)"

# The portable folder: the executable and its two files, nothing else of the
# build. The data file is put there once and never replaced; data an earlier
# ./run.sh kept in build/program/ moves along the first time.
portable=build-run/pellomar
mkdir -p "$portable"
install -m 755 build-run/program/pellomar "$portable/pellomar"
install -m 644 data/zero.mdb "$portable/zero.mdb"
if [ ! -f "$portable/table.mdb" ]; then
  if [ -f build/program/table.mdb ]; then
    echo "Taking the data of the earlier build folder: build/program/table.mdb"
    cp build/program/table.mdb "$portable/table.mdb"
  else
    install -m 644 data/table.mdb "$portable/table.mdb"
  fi
fi
exec "$portable/pellomar" "$@"
