#!/usr/bin/env bash
# Writes a score table of ROWS generated rows into the new SQLite file FILE, for the benchmarks.
#   bench/database/generate.sh FILE ROWS     (BUILD_DIR=build-other for another build)
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 FILE ROWS" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-build}
case $build in
/*) ;;
*) build=$root/$build ;;
esac
program=$build/bench/database/bench_database
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
exec "$program" --generate "$1" "$2"
