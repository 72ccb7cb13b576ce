#!/usr/bin/env bash
# Runs the item analysis benchmark on a SQLite file of attempts and prints the figures.
#   bench/itemanalysis/run.sh ATTEMPTS.db [runs]     (BUILD_DIR=build-other for another build)
# Without a file, one is made with tools/demoattempts: 10,000 attempts of a 100-question paper
# (1,000,000 answer rows), recorded first, then one attempt of a 256-question paper.
set -euo pipefail
source "$(dirname "$0")/../program.sh" itemanalysis
if [ $# -ge 1 ]; then
    exec "$program" "$@"
fi
generator=${BUILD_DIR:-build}/tools/demoattempts/demoattempts
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$generator" --bench-paper 100 "$folder/hundred.mqe"
"$generator" --bench-paper 256 "$folder/large.mqe"
cat demo/sql/schema-sqlite.sql demo/sql/attempts-sqlite.sql | sqlite3 "$folder/attempts.db"
echo "城关镇|城关镇人民政府" | "$generator" --attempts 10000 "$folder/hundred.mqe" |
    sqlite3 -bail "$folder/attempts.db"
# The large attempt is recorded after all the others, on a later day.
echo "城关镇|城关镇人民政府" | "$generator" --attempts 1 --seed 2 "$folder/large.mqe" |
    sed 's/2026-11-02/2026-12-31/g' | sqlite3 -bail "$folder/attempts.db"
"$program" "$folder/attempts.db" 3
