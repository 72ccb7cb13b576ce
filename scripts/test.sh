#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite, the packages and their
# checks, then the Qt-free tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j2)
scripts/package.sh >/dev/null
packaging/check-packages.sh

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DEXAMSUITE_QTFREE_ONLY=ON -DEXAMSUITE_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j2
(cd build-sanitize && ctest --output-on-failure -j2)
