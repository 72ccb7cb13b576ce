#!/usr/bin/env bash
# Runs the paper-building benchmark and prints the figures.
#   bench/paperbuilder/run.sh [runs]    (BUILD_DIR=build-other bench/paperbuilder/run.sh ...)
set -euo pipefail
source "$(dirname "$0")/../program.sh" paperbuilder
exec "$program" "$@"
