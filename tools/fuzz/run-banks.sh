#!/usr/bin/env bash
# Builds the CSV, Aiken and GIFT reader fuzzers with clang into build-fuzz-banks/ and runs each in
# turn on a corpus that starts from tools/fuzz/seeds and the demo banks. Extra arguments go to
# libFuzzer; by default each runs for three minutes. Inputs that crash are left as crash-* files
# in build-fuzz-banks/.
#   tools/fuzz/run-banks.sh [-max_total_time=180] [...]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build-fuzz-banks
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DEXAMSUITE_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_bank_csv fuzz_bank_aiken fuzz_bank_gift
[ $# -gt 0 ] || set -- -max_total_time=180
for format in csv aiken gift; do
    corpus="$build/corpus-$format"
    mkdir -p "$corpus"
    case $format in
    csv) seeds=(demo/banks/*.csv demo/template/*.csv) ;;
    *) seeds=(tools/fuzz/seeds/*."$format") ;;
    esac
    cp "${seeds[@]}" "$corpus/"
    (cd "$build" && tools/fuzz/fuzz_bank_$format -max_len=4096 -rss_limit_mb=1024 \
        -malloc_limit_mb=256 -print_final_stats=1 "$@" "corpus-$format")
done
