#!/usr/bin/env bash
# Runs the journal benchmark from build/ (scripts/build.sh builds it) on the offscreen platform.
# The journal goes to a temporary folder on the same disk as /tmp unless JOURNAL_DIR names one.
#   bench/journal/run.sh [changes]
set -euo pipefail
cd "$(dirname "$0")/../.."
program=build/bench/journal/bench_journal
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$program" "$@"
