#!/usr/bin/env bash
# Runs the recording benchmark from build/ (scripts/build.sh builds it); it starts a PostgreSQL
# server of its own on loopback.
#   bench/recording/run.sh [desks]     (default 250 desks in the load part)
set -euo pipefail
source "$(dirname "$0")/../program.sh" recording
exec "$program" "$@"
