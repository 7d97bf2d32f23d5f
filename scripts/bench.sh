#!/usr/bin/env bash
# Builds the benchmarks in Release (build-release/) and runs them all. The console output ends
# with Markdown tables of the results, the ratios and the goals they are checked against.
#
# Extra arguments go to the benchmark executable, e.g. --benchmark_filter=SdrPlugin or
# --benchmark_out=results.json. Scratch files go to a temporary directory (or $KEL_BENCH_DIR).
# The large scans write about 140 MB per file: run on a quiet machine for stable numbers.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

dir="${KEL_BENCH_BUILD:-build-release}"
jobs="${KEL_JOBS:-2}"

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEL_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j "$jobs" --target kel_bench kel_bench_peak_memory kel_bench_peak_of kelsvf

printf 'Machine: %s, %s CPUs; load average: %s\n' \
    "$(lscpu | sed -n 's/^Model name: *//p')" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
# Repetitions of different benchmarks run interleaved, so that a change in the machine's load
# between them does not tilt the ratios.
exec "$dir/bench/kel_bench" --benchmark_enable_random_interleaving=true "$@"
