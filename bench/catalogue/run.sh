#!/usr/bin/env bash
# Runs the catalogue benchmark from build/ (scripts/build.sh builds it) and prints the figures.
#   bench/catalogue/run.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/../.."
program=build/bench/catalogue/bench_catalogue
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
exec "$program" "$@"
