#!/usr/bin/env bash
# Runs the paper-building benchmark and prints the figures.
#   bench/paperbuilder/run.sh [runs]    (BUILD_DIR=build-other bench/paperbuilder/run.sh ...)
set -euo pipefail
cd "$(dirname "$0")/../.."
program=${BUILD_DIR:-build}/bench/paperbuilder/bench_paperbuilder
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
exec "$program" "$@"
