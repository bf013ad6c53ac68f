#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# when any of them is missing. Safe to run again: it does nothing when all
# packages are present.
#
#   scripts/setup.sh           everything: the program, the tests, the package
#   scripts/setup.sh program   only what building and running the program needs
#   scripts/setup.sh xvfb      the virtual display of ./run.sh --xvfb
set -euo pipefail

program_packages=(
  build-essential cmake pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  libsodium-dev libgsf-1-dev libsqlite3-dev libxxhash-dev
  fonts-noto-cjk
  # Qt's own dialogs and buttons in Chinese (qtbase_zh_CN.qm).
  qt6-translations-l10n
  # The reports' charts (Qt Charts' CMake files need the OpenGL module's).
  qt6-charts-dev libqt6opengl6-dev
  # A till of a shop's server reaches PostgreSQL through Qt's QPSQL driver.
  libqt6sql6-psql libpq-dev
)
test_packages=(
  libfreexl-dev
  dpkg-dev desktop-file-utils
  # The export tests read every workbook back with xlrd and with gnumeric's
  # ssconvert (a command-line program: it needs no display).
  python3-xlrd gnumeric
  # The PDF tests read text, fonts and pages back.
  poppler-utils
  # The server tests run a private PostgreSQL cluster.
  postgresql postgresql-client
)

case "${1:-all}" in
  all) packages=("${program_packages[@]}" "${test_packages[@]}") ;;
  program) packages=("${program_packages[@]}") ;;
  xvfb) packages=(xvfb xauth) ;;
  *) echo "usage: $0 [all|program|xvfb]" >&2; exit 2 ;;
esac

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
  # The tests start a private PostgreSQL cluster of their own: the package's
  # usual cluster, started at boot and left running, is not made.
  if [[ " ${missing[*]} " == *" postgresql "* ]]; then
    $sudo mkdir -p /etc/postgresql-common/createcluster.d
    echo "create_main_cluster = false" |
      $sudo tee /etc/postgresql-common/createcluster.d/pellomar-tests.conf >/dev/null
  fi
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
