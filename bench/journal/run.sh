#!/usr/bin/env bash
# Runs the journal benchmark from build/ (scripts/build.sh builds it) on the offscreen platform.
# The journal goes to a temporary folder on the same disk as /tmp unless JOURNAL_DIR names one.
#   bench/journal/run.sh [changes]
set -euo pipefail
source "$(dirname "$0")/../program.sh" journal
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$program" "$@"
