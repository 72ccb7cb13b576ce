#!/usr/bin/env bash
# Redraws every picture of the programs with makepictures and writes them into the source tree.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --build build --target makepictures -j2
QT_QPA_PLATFORM=offscreen build/tools/pictures/makepictures exam/pictures tallyboard/pictures
