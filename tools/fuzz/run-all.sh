#!/usr/bin/env bash
# Builds every fuzz target with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/ and runs each in turn for the given number of seconds (default 180), starting
# from its checked-in corpus (tools/fuzz/corpus/<target>/). New inputs go to
# build-fuzz/corpus-<target>/, inputs that crash or hang to build-fuzz/<target>-crash-* files;
# copy those into the checked-in corpus once the fault is fixed, so that the test command replays
# them. Arguments after the time, or after "--", go to libFuzzer.
#   tools/fuzz/run-all.sh [SECONDS] [TARGET...] [-- LIBFUZZER-ARGUMENT...]
# Targets: paperload columnfile profile decode bank_csv bank_aiken bank_gift bank_xlsx (all by
# default).
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=180
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
targets=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    targets+=("$1")
    shift
done
[ "${1:-}" = -- ] && shift
[ ${#targets[@]} -gt 0 ] ||
    targets=(paperload columnfile profile decode bank_csv bank_aiken bank_gift bank_xlsx)

build=build-fuzz
# The bank readers make many small allocations. Without the stack of each one and with a small
# quarantine of freed memory, AddressSanitizer's memory stays near 100 MB instead of growing past
# the limit on a long run (its store of stacks never shrinks), and a long run of the Aiken reader
# went about twice as fast. A crash input replays with full stacks when the fuzzer is run on that
# one file with ASAN_OPTIONS set empty.
asan_defaults=malloc_context_size=0:quarantine_size_mb=8:max_malloc_fill_size=0
export ASAN_OPTIONS=${ASAN_OPTIONS-$asan_defaults}
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DEXAMSUITE_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

for target in "${targets[@]}"; do
    options=(-max_len=8192)
    case $target in
    paperload) options+=(-dict=tools/fuzz/paper.dict) ;;
    columnfile | profile | decode) options=(-max_len=1024) ;;
    bank_xlsx) options=(-max_len=16384) ;;
    esac
    mkdir -p "$build/corpus-$target"
    echo "== $target"
    "$build/tools/fuzz/fuzz_$target" "${options[@]}" -rss_limit_mb=2048 -malloc_limit_mb=512 \
        -timeout=10 -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/$target-" "$@" "$build/corpus-$target" "tools/fuzz/corpus/$target"
done
