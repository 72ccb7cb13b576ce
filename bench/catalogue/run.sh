#!/usr/bin/env bash
# Runs the catalogue benchmark from build/ (scripts/build.sh builds it) and prints the figures.
#   bench/catalogue/run.sh [runs]
set -euo pipefail
source "$(dirname "$0")/../program.sh" catalogue
exec "$program" "$@"
