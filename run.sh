#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pellomar from the build folder.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Pellomar needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Start it from a desktop session, or under Xvfb: xvfb-run ./run.sh" >&2
  exit 1
fi
exec ./build/program/pellomar
