#!/usr/bin/env bash
# Runs the question-panel benchmark from build/ (scripts/build.sh builds it) on the offscreen
# platform and prints the figures.
#   bench/panels/run.sh [builds]
set -euo pipefail
cd "$(dirname "$0")/../.."
program=build/bench/panels/bench_panels
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$program" "$@"
