#!/usr/bin/env bash
# Runs the grid benchmark on a SQLite file of score rows and prints the figures.
#   bench/grid/run.sh SCORES.db [runs]     (BUILD_DIR=build-other for another build)
# Without a file, the rows come from the database benchmark's generator script
# (bench/database/generate.sh FILE ROWS), a million of them.
set -euo pipefail
source "$(dirname "$0")/../program.sh" grid
if [ $# -ge 1 ]; then
    exec "$program" "$@"
fi
generator=bench/database/generate.sh
if [ ! -x "$generator" ]; then
    echo "give a SQLite file with a score table: $0 SCORES.db [runs]" >&2
    exit 2
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$generator" "$folder/score.db" 1000000
"$program" "$folder/score.db" 3
