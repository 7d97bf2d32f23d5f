#!/usr/bin/env bash
# Every conversion proved by kelsvf diff on the chain its file was written for: SVF to portable
# SVF has exactly the same effect; SVF to XSVF, and that XSVF back to SVF, have the same
# register effect with waits at least as long; every output checks clean (no error, and no kind
# of warning the input has not); --max-scan leaves no
# longer scan, on a 5-Mbit bitstream too.
#
#   prove_conversions.sh KELSVF EXAMPLES_DIR STYLES_DIR
#   prove_conversions.sh KELSVF --test-files TEST_BINARY...
#
# The second form runs the test binaries with KEL_PROOF_DIR set, so that they keep every SVF
# file the plug-in wrote in them (with the chain the test described, where it described one),
# and proves each of those files.
set -euo pipefail

kelsvf=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run WHAT COMMAND...: the command must exit 0; its output is kept in $work/out.
run() {
    local what=$1
    shift
    if ! "$@" >"$work/out" 2>&1; then
        fail "$what: $* exited non-zero:"
        sed 's/^/    /' "$work/out" | head -20
    fi
}

# warning_kinds FILE CHAIN...: the kinds of kelsvf check's warnings on FILE, one a line.
warning_kinds() {
    "$kelsvf" check "$@" 2>&1 | grep -E ': warning: ' | grep -oE '\[[a-z0-9-]+\]' | sort -u || true
}

# clean NAME FILE ORIGINAL CHAIN...: kelsvf check finds no error in FILE, and no kind of warning
# that it does not find in ORIGINAL.
clean() {
    local name=$1 file=$2 original=$3
    shift 3
    "$kelsvf" check "$file" "$@" >"$work/out" 2>&1 || true
    local last new
    last=$(tail -n 1 "$work/out")
    if [[ $last != *": 0 errors, "* ]]; then
        fail "$name: $(basename "$file") does not check clean: $last"
        sed 's/^/    /' "$work/out" | grep -E ': error: ' | head -5
        return
    fi
    [[ $last == *": 0 errors, 0 warnings" ]] && return
    new=$(comm -23 <(warning_kinds "$file" "$@") <(warning_kinds "$original" "$@"))
    [[ -z $new ]] || fail "$name: $(basename "$file") warns what the input does not: $new"
}

# no_scan_over NAME SVF BITS: no SIR or SDR in the SVF text is longer than BITS.
no_scan_over() {
    local longest
    longest=$(grep -oE '^S[DI]R [0-9]+' "$2" | awk '{ if ($2 > m) m = $2 } END { print m + 0 }')
    ((longest <= $3)) || fail "$1: a scan of $longest bits with --max-scan $3"
}

# prove FILE [--max-scan BITS] -- CHAIN...
prove() {
    local file=$1 name
    name=$(basename "$file" .svf)
    shift
    local cut=()
    while [[ $1 != -- ]]; do
        cut+=("$1")
        shift
    done
    shift
    local waits=()
    ((${#cut[@]} == 0)) || waits=(--waits at-least) # pieces through a pause add clocks there
    local portable=$work/$name.portable.svf xsvf=$work/$name.xsvf back=$work/$name.back.svf

    run "$name" "$kelsvf" convert "$file" -o "$portable" "${cut[@]}"
    run "$name" "$kelsvf" diff "$file" "$portable" "$@" "${waits[@]}"
    clean "$name" "$portable" "$file" "$@"

    run "$name" "$kelsvf" convert "$file" -o "$xsvf" --drop-unsupported "${cut[@]}"
    run "$name" "$kelsvf" diff "$file" "$xsvf" "$@" --waits at-least
    clean "$name" "$xsvf" "$file" "$@"
    run "$name" "$kelsvf" convert "$xsvf" -o "$back"
    run "$name" "$kelsvf" diff "$file" "$back" "$@" --waits at-least
    clean "$name" "$back" "$file" "$@"

    if ((${#cut[@]} > 0)); then
        no_scan_over "$name" "$portable" "${cut[1]}"
        no_scan_over "$name" "$back" "${cut[1]}"
    fi
}

# The chain a file the plug-in wrote for an unknown chain plays on, from the plug-in's own
# scans: each SIR's trailer, instruction and header (device 0 nearest TDI, in the trailer) cut
# the IR path into devices, and an SDR's TDR and HDR bits say how many devices in BYPASS the
# trailer and header hold; a region with fewer devices than that is cut further.
inferred_chain() {
    awk '
        /^HIR / { h = $2 } /^TIR / { t = $2 } /^HDR / { hd = $2 } /^TDR / { td = $2 }
        /^SIR / { n = $2; total = h + n + t; cut[t] = 1; cut[t + n] = 1; sir = 1 }
        /^SDR / && sir { r++; from[r] = 0; to[r] = t; want[r] = td
                         r++; from[r] = t + n; to[r] = total; want[r] = hd }
        END {
            if (!sir) { print "--irlen 1"; exit }
            cut[0] = 1; cut[total] = 1
            for (k = 1; k <= r; k++) {
                if (to[k] - from[k] < want[k]) continue
                for (;;) {
                    have = 0
                    for (i = from[k] + 1; i <= to[k]; i++) if (i in cut) have++
                    if (have >= want[k]) break
                    for (i = from[k] + 1; i < to[k]; i++) if (!(i in cut)) { cut[i] = 1; break }
                }
            }
            for (i = 1; i <= total; i++) {
                if (!(i in cut) && i - last < 64) continue
                list = list (list == "" ? "" : ",") i - last; last = i
            }
            print "--irlen " list
        }' "$1"
}

if [[ ${2:-} == --test-files ]]; then
    kept=$work/kept
    mkdir "$kept"
    for binary in "${@:3}"; do
        KEL_PROOF_DIR=$kept "$binary" --gtest_brief=1 >"$work/out" 2>&1 ||
            fail "$binary failed while keeping its files: $(tail -n 3 "$work/out")"
    done
    count=0
    for file in "$kept"/*.svf; do
        [[ -e $file ]] || continue
        args=${file%.svf}.args
        # shellcheck disable=SC2046 # the chain options, word by word
        if [[ -e $args ]]; then
            prove "$file" -- $(cat "$args")
        else
            prove "$file" -- $(inferred_chain "$file")
        fi
        count=$((count + 1))
    done
    ((count > 0)) || fail "the test binaries kept no file"
    if ((failures > 0)); then
        echo "$failures conversion proof(s) failed over $count files the plug-in wrote"
        exit 1
    fi
    echo "every conversion of the $count files the plug-in wrote has the same effect"
    exit 0
fi

examples=$2
styles=$3
cd "$examples"
for cut in "" "--max-scan 64"; do
    # shellcheck disable=SC2086 # no option at all, or the option and its value
    {
        prove worked-example.svf $cut -- --irlen 6,8,10
        prove host_example.svf $cut -- --irlen 6,8,10
        prove single-device.svf $cut -- --chain 6:0x1A2B3C4D
        prove chain-file.svf $cut -- --chainfile three-devices.chain --irlen 4,5,7
        prove bitstream.svf $cut -- --irlen 6,8,10
        prove "$styles/bitstream-through-pause.svf" $cut -- --irlen 6,8,10
        prove "$styles/flash-program-verify.svf" $cut -- --chain 8
        prove "$styles/idcode-check.svf" $cut -- --chain 6:0x06e5e093,8:0x16d4a093
    }
done

# A 5-Mbit bitstream, one SDR, cut at 1024 bits.
{
    echo "SIR 8 TDI (05);"
    printf 'SDR 5000000 TDI ('
    awk 'BEGIN { for (i = 0; i < 1250000 / 16; i++) printf "%016x", (i * 2654435761) % 4294967296 * 65536 + i % 65536 }'
    echo ");"
    echo "RUNTEST 100 TCK;"
} >"$work/five-mbit.svf"
prove "$work/five-mbit.svf" --max-scan 1024 -- --chain 8

if ((failures > 0)); then
    echo "$failures conversion proof(s) failed"
    exit 1
fi
echo "every conversion has the same effect"
