#!/usr/bin/env bash
# Runs the sittings benchmark and prints the figures.
#   bench/sittings/run.sh [runs]     (BUILD_DIR=build-other for another build)
# The database is made afresh from demo/sql and bench/sittings/generate.sql.
set -euo pipefail
source "$(dirname "$0")/../program.sh" sittings
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cat demo/sql/schema-sqlite.sql demo/sql/attempts-sqlite.sql demo/sql/sittings-sqlite.sql \
    bench/sittings/generate.sql | sqlite3 -bail "$folder/sitting.db"
"$program" "$folder/sitting.db" "${1:-5}"
