#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# when any of them is missing. Safe to run again: it does nothing when all
# packages are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  libsodium-dev libgsf-1-dev libfreexl-dev libsqlite3-dev libxxhash-dev
  fonts-noto-cjk
  dpkg-dev desktop-file-utils
  # The export tests read every workbook back with xlrd and with gnumeric's
  # ssconvert (a command-line program: it needs no display).
  python3-xlrd gnumeric
  # The reports' charts; the PDF tests read text, fonts and pages back.
  qt6-charts-dev libqt6opengl6-dev poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
