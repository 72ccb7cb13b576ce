#!/usr/bin/env bash
# Runs the start-up benchmark from build/ (scripts/build.sh builds it) and prints the figures.
#   bench/startup/run.sh [runs]
set -euo pipefail
source "$(dirname "$0")/../program.sh" startup
exec "$program" "$@"
