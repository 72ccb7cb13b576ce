#!/usr/bin/env bash
# Runs the .xls export benchmark and prints the figures.
#   bench/xls/run.sh [runs]        (BUILD_DIR=build-other bench/xls/run.sh for another build)
set -euo pipefail
source "$(dirname "$0")/../program.sh" xls
exec "$program" "$@"
