#!/usr/bin/env bash
# Runs the benchmark of the desk's draw from a sitting on a PostgreSQL server of its own.
#   bench/sittingdraw/run.sh [runs]     (BUILD_DIR=build-other for another build)
set -euo pipefail
source "$(dirname "$0")/../program.sh" sittingdraw
exec "$program" "$@"
