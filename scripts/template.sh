#!/usr/bin/env bash
# Builds the suite and copies the question template that paperbuilder writes from
# demo/template/试题模板.csv to docs/试题模板.xlsx.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cp "build/bin/试题模板.xlsx" "docs/试题模板.xlsx"
