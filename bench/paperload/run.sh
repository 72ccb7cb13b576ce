#!/usr/bin/env bash
# Runs the paper-load benchmark from build/ (scripts/build.sh builds it) and prints the figures.
#   bench/paperload/run.sh [loads]
set -euo pipefail
source "$(dirname "$0")/../program.sh" paperload
exec "$program" "$@"
