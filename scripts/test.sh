#!/usr/bin/env bash
# Builds everything and runs every test: first a normal build in build/, then the same build
# with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/. Stops at the first
# failing step and prints ctest's summary for each build.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs="${KEL_JOBS:-2}"

# Any report of the sanitizers fails the test that caused it.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

step() {
    printf '\n=== %s\n' "$*"
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
    local dir="$1"
    shift
    step "configure and build $dir"
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

# run_tests <build dir>: runs ctest, prints its summary, and on failure the failing tests' output.
run_tests() {
    local dir="$1"
    local log="$dir/ctest.log"
    step "ctest $dir"
    if ctest --test-dir "$dir" -j "$jobs" >"$log" 2>&1; then
        sed -n '/tests passed/,$p' "$log"
    else
        sed -n '/tests passed/,$p' "$log"
        step "output of the failing tests in $dir"
        ctest --test-dir "$dir" --rerun-failed --output-on-failure || true
        return 1
    fi
}

configure_and_build build
run_tests build

configure_and_build build-asan -DKEL_SANITIZE=ON
run_tests build-asan

step "all tests passed"
