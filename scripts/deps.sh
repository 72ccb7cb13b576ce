#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, run and test, skipping those that
# are already there. Quick when nothing is missing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg62-turbo-dev libgtest-dev
    qt6-charts-dev libqt6opengl6-dev
    # question banks: .xlsx written with libxlsxwriter, read with minizip and expat
    libxlsxwriter-dev libminizip-dev zlib1g-dev libexpat1-dev
    # examdb: the SCRAM verifiers of the roles' passwords
    libpq-dev
    # run: database drivers, Chinese translations of Qt's dialogs, fonts
    libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc unixodbc tdsodbc
    qt6-translations-l10n fonts-arphic-uming fonts-dejavu-core fontconfig
    # tests and demo data
    sqlite3 libsqlite3-dev postgresql python3 python3-xlrd python3-openpyxl
    # the attempt review's PDF, read back in tests
    poppler-utils
    # fuzzing, screenshots
    clang libclang-rt-14-dev xvfb xauth x11-utils imagemagick xdotool openbox
    # packages: built with CPack, checked with Debian's own tools; the PNG icon drawn from the SVG
    dpkg-dev fakeroot lintian desktop-file-utils appstream librsvg2-bin file
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
