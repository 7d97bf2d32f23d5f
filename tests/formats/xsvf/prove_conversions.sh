#!/usr/bin/env bash
# Every conversion proved by kelsvf diff on the chain its file was written for: SVF to portable
# SVF has exactly the same effect; SVF to XSVF, and that XSVF back to SVF, have the same
# register effect with waits at least as long; every output checks clean; --max-scan leaves no
# longer scan, on a 5-Mbit bitstream too.
#
#   prove_conversions.sh KELSVF EXAMPLES_DIR STYLES_DIR
set -euo pipefail

kelsvf=$1
examples=$2
styles=$3
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

# clean NAME FILE CHAIN...: kelsvf check finds no error and no warning.
clean() {
    local name=$1 file=$2
    shift 2
    run "$name" "$kelsvf" check "$file" "$@"
    [[ $(tail -n 1 "$work/out") == *": 0 errors, 0 warnings" ]] ||
        fail "$name: $(basename "$file") does not check clean: $(tail -n 1 "$work/out")"
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
    clean "$name" "$portable" "$@"

    run "$name" "$kelsvf" convert "$file" -o "$xsvf" --drop-unsupported "${cut[@]}"
    run "$name" "$kelsvf" diff "$file" "$xsvf" "$@" --waits at-least
    clean "$name" "$xsvf" "$@"
    run "$name" "$kelsvf" convert "$xsvf" -o "$back"
    run "$name" "$kelsvf" diff "$file" "$back" "$@" --waits at-least
    clean "$name" "$back" "$@"

    if ((${#cut[@]} > 0)); then
        no_scan_over "$name" "$portable" "${cut[1]}"
        no_scan_over "$name" "$back" "${cut[1]}"
    fi
}

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
