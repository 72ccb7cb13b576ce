#!/usr/bin/env bash
# Runs the question-panel benchmark from build/ (scripts/build.sh builds it) on the offscreen
# platform and prints the figures.
#   bench/panels/run.sh [builds]
set -euo pipefail
source "$(dirname "$0")/../program.sh" panels
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$program" "$@"
