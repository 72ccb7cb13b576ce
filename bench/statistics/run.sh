#!/usr/bin/env bash
# Runs the statistics benchmark on a SQLite file of score rows and prints the figures.
#   bench/statistics/run.sh SCORES.db [runs]     (BUILD_DIR=build-other for another build)
# Without a file, a million rows come from bench/database/generate.sh.
set -euo pipefail
source "$(dirname "$0")/../program.sh" statistics
if [ $# -ge 1 ]; then
    exec "$program" "$@"
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
bench/database/generate.sh "$folder/score.db" 1000000
"$program" "$folder/score.db" 5
