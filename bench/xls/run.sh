#!/usr/bin/env bash
# Runs the .xls export benchmark and prints the figures.
#   bench/xls/run.sh [runs]        (BUILD_DIR=build-other bench/xls/run.sh for another build)
set -euo pipefail
cd "$(dirname "$0")/../.."
program=${BUILD_DIR:-build}/bench/xls/bench_xls
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
exec "$program" "$@"
