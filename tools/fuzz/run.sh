#!/usr/bin/env bash
# Builds the paper-reader fuzzer with clang into build-fuzz/ and runs it on a corpus that starts
# from papers written by the paper writer. Extra arguments go to libFuzzer; by default it runs
# for ten minutes. Inputs that crash are left as build-fuzz/crash-* files.
#   tools/fuzz/run.sh [-max_total_time=600] [...]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build-fuzz
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DEXAMSUITE_QTFREE_ONLY=ON -DEXAMSUITE_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_paperload fuzz_seeds
mkdir -p "$build/fuzz-seeds" "$build/fuzz-corpus"
"$build/tools/fuzz/fuzz_seeds" "$build/fuzz-seeds"
[ $# -gt 0 ] || set -- -max_total_time=600
cd "$build"
exec tools/fuzz/fuzz_paperload -dict=../tools/fuzz/paper.dict -max_len=8192 -rss_limit_mb=1024 -malloc_limit_mb=256 \
    -print_final_stats=1 "$@" fuzz-corpus fuzz-seeds
