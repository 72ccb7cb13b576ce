#!/usr/bin/env bash
# Creates the demo databases beside the programs in build/bin, unless they are there already:
# korvend.db (towns, units and a few scores, and a few hundred generated attempts with their
# scores on two of the demo papers, the runs of an open sitting with its roster; section
# "DBConifg" of DBConifg.ini) and exam.db (the second
# copy of each handed-in score; section "SqlDBConifg"). Existing files are left as they are, so
# recorded scores survive.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/bin}
mkdir -p "$bin"

generator=$(dirname "$bin")/tools/demoattempts/demoattempts
attempt_papers=("$bin/Exam File/安全生产/消防安全知识测试.mqe" "$bin/Exam File/保密工作知识测试.mqe")

# Attempts by the units of the database, on the two papers, with their score rows: the runs of
# a sitting open for a year from now, with its roster.
add_attempts() { # add_attempts DATABASE
    sqlite3 "$1" "select Belong || '|' || name from Fac" |
        "$generator" --attempts 300 --sitting "2026年冬季安全生产考试" \
            "$(date -d '+1 year' '+%Y-%m-%d 18:00:00')" "${attempt_papers[@]}" |
        sqlite3 -bail "$1"
}

create() { # create FILE WITH-ATTEMPTS SQL-FILE...
    local file=$1 attempts=$2
    shift 2
    [ -e "$file" ] && return 0
    local partial="$file.partial"
    rm -f "$partial"
    cat "$@" | sqlite3 -bail "$partial"
    [ "$attempts" = yes ] && add_attempts "$partial"
    mv "$partial" "$file"
    echo "Created $file"
}

create "$bin/korvend.db" yes demo/sql/schema-sqlite.sql demo/sql/attempts-sqlite.sql \
    demo/sql/sittings-sqlite.sql demo/sql/demo-data.sql
create "$bin/exam.db" no demo/sql/schema-sqlite.sql
