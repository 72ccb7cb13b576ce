#!/usr/bin/env bash
# Runs the paper-load benchmark from build/ (scripts/build.sh builds it) and prints the figures.
#   bench/paperload/run.sh [loads]
set -euo pipefail
cd "$(dirname "$0")/../.."
program=build/bench/paperload/bench_paperload
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
exec "$program" "$@"
