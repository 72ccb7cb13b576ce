#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo data and starts exam
# (or tallyboard: scripts/demo.sh tallyboard).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-exam}
case "$program" in
exam | tallyboard) ;;
*)
    echo "usage: scripts/demo.sh [exam|tallyboard]" >&2
    exit 2
    ;;
esac
scripts/deps.sh
scripts/build.sh
scripts/prepare-demo.sh
exec build/bin/"$program"
