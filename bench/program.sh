# Sourced by each benchmark's run.sh with the benchmark's name: goes to the repository root and
# sets program to its built binary, ${BUILD_DIR:-build}/bench/NAME/bench_NAME, or stops when it
# has not been built.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
program=${BUILD_DIR:-build}/bench/$1/bench_$1
if [ ! -x "$program" ]; then
    echo "$program is missing: run scripts/build.sh first" >&2
    exit 1
fi
