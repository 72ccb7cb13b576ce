#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo data and starts exam
# (or tallyboard: scripts/demo.sh tallyboard; or paperbuilder on the question template:
# scripts/demo.sh paperbuilder).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-exam}
case "$program" in
exam | tallyboard | paperbuilder) ;;
*)
    echo "usage: scripts/demo.sh [exam|tallyboard|paperbuilder]" >&2
    exit 2
    ;;
esac
scripts/deps.sh
scripts/build.sh
scripts/prepare-demo.sh
if [ "$program" = paperbuilder ]; then
    exec build/bin/paperbuilder "build/bin/试题模板.xlsx"
fi
exec build/bin/"$program"
