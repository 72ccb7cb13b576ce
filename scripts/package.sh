#!/usr/bin/env bash
# Builds the suite and its packages into build/packages/: examsuite-desk, examsuite-admin and
# examsuite-common as .deb (dependencies from dpkg-shlibdeps) and as .tar.gz of the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
rm -rf build/packages
(cd build && cpack --config CPackConfig.cmake >/dev/null)
ls -l build/packages
