#!/usr/bin/env bash
# Creates the demo databases beside the programs in build/bin, unless they are there already:
# korvend.db (towns, units and a few scores; section "DBConifg" of DBConifg.ini) and exam.db
# (the second copy of each handed-in score; section "SqlDBConifg"). Existing files are left as
# they are, so recorded scores survive.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/bin}
mkdir -p "$bin"

create() { # create FILE SQL-FILE...
    local file=$1
    shift
    [ -e "$file" ] && return 0
    local partial="$file.partial"
    rm -f "$partial"
    cat "$@" | sqlite3 -bail "$partial"
    mv "$partial" "$file"
    echo "Created $file"
}

create "$bin/korvend.db" demo/sql/schema-sqlite.sql demo/sql/attempts-sqlite.sql demo/sql/demo-data.sql
create "$bin/exam.db" demo/sql/schema-sqlite.sql
