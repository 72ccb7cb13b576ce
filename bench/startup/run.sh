#!/usr/bin/env bash
# Runs the start-up benchmark from build/ (scripts/build.sh builds it) and prints the figures.
#   bench/startup/run.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/../.."
program=build/bench/startup/bench_startup
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
exec "$program" "$@"
