#!/usr/bin/env bash
# The whole test run. Installs what the machine lacks (scripts/install-deps.sh), then: a normal
# build in build/ with every test (its host-view suites also under valgrind), the same build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, the threads test and diff under
# ThreadSanitizer in build-tsan/, and the fuzzers, built with clang in build-fuzzers/. Stops at
# the first failing step and prints ctest's summary for each.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

./scripts/install-deps.sh

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

# run_under_valgrind <build dir>: the host-view suites under memcheck; any invalid access or leak
# fails the step. Left out: the allocator-replacing out-of-memory test (valgrind replaces the
# allocator itself) and the one test whose host destroys an open target, which leaks its stream
# by design (the destructor closes nothing).
run_under_valgrind() {
    local dir="$1"
    local suite
    step "valgrind memcheck: host-view suites of $dir"
    for suite in kel_host_tests kel_abi_tests kel_fault_tests; do
        local log="$dir/valgrind-$suite.log"
        if valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
            --errors-for-leak-kinds=definite,indirect,possible \
            "$dir/tests/$suite" --gtest_brief=1 \
            --gtest_filter=-SvfOutput.AStreamLeftOpenByDestructionIsWrittenAtExit \
            >"$log" 2>&1; then
            echo "$suite: clean"
        else
            cat "$log"
            return 1
        fi
    done
}

configure_and_build build
run_tests build
run_under_valgrind build

# The sanitizer builds are optimised at -O1 with line tables only, as the sanitizers' own guides
# advise: stacks stay exact, assertions stay on, and they build in about two thirds of the time of
# -O2 with full debug information. The benchmarks are left out: nothing runs them there.
sanitizer_build=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" -DKEL_BUILD_BENCH=OFF)

configure_and_build build-asan -DKEL_SANITIZE=ON "${sanitizer_build[@]}"
run_tests build-asan

# Targets on threads of their own under ThreadSanitizer: only that test and what it loads.
step "configure and build build-tsan (kel_threads_host_test, kel_effect_tests)"
cmake -S . -B build-tsan -G Ninja -DKEL_SANITIZE_THREAD=ON "${sanitizer_build[@]}" >/dev/null
cmake --build build-tsan -j "$jobs" --target kel_threads_host_test kel_effect_tests
step "ThreadSanitizer: kel_threads_host_test, diff playing its second file on a thread"
TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}" build-tsan/tests/kel_threads_host_test --gtest_brief=1
TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}" build-tsan/tests/effect/kel_effect_tests \
    --gtest_brief=1 --gtest_filter='ParallelDiff*:EffectDiff*:DigitLineDiff*'

# The libFuzzer fuzzers need clang; each runs over its seed corpus plus fresh inputs.
step "configure and build build-fuzzers"
CXX=clang++ cmake -S . -B build-fuzzers -G Ninja -DKEL_BUILD_FUZZ=ON -DKEL_BUILD_TESTS=OFF \
    -DKEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzzers -j "$jobs" --target kel_fuzzers
run_tests build-fuzzers/fuzz

step "all tests passed"
