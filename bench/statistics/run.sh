#!/usr/bin/env bash
# Runs the statistics benchmark on a SQLite file of score rows and prints the figures.
#   bench/statistics/run.sh SCORES.db [runs]     (BUILD_DIR=build-other for another build)
# Without a file, a million rows come from bench/database/generate.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
program=${BUILD_DIR:-build}/bench/statistics/bench_statistics
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
if [ $# -ge 1 ]; then
    exec "$program" "$@"
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
bench/database/generate.sh "$folder/score.db" 1000000
"$program" "$folder/score.db" 5
