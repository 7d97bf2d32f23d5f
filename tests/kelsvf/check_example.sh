#!/usr/bin/env bash
# What an example's SVF file does to its chain, as kelsvf check reports it: exit 0, no error or
# warning, and exactly the register updates the example's script meant, in order.
#
#   check_example.sh KELSVF EXAMPLES_DIR NAME
set -euo pipefail

kelsvf=$1
cd "$2"
name=$3

# The chain each example's script describes, and the updates its file must make: at each
# Update-IR every device's instruction, at each Update-DR every device not in BYPASS.
case $name in
worked-example | host_example)
    chain=(--irlen 6,8,10)
    expected="7: device 0 ir 3f (6 bits)
7: device 1 ir 05 (8 bits)
7: device 2 ir 3ff (10 bits)
8: device 1 dr 12345678 (32 bits)"
    if [[ $name == worked-example ]]; then
        expected+="
13: device 0 ir 2a (6 bits)
13: device 1 ir ff (8 bits)
13: device 2 ir 3ff (10 bits)
14: device 0 dr beef (16 bits)
19: device 0 ir 3f (6 bits)
19: device 1 ir ff (8 bits)
19: device 2 ir 3c5 (10 bits)
20: device 2 dr 0123456789 (40 bits)"
    fi
    ;;
single-device)
    chain=(--chain 6:0x1A2B3C4D)
    expected="7: device 0 ir 09 (6 bits)
8: device 0 dr 0123456789abcdef0123456789abcdef0123456789abcdef01 (200 bits)"
    ;;
chain-file)
    chain=(--chainfile three-devices.chain --irlen 4,5,7)
    expected="7: device 0 ir e (4 bits)
7: device 1 ir 1f (5 bits)
7: device 2 ir 7f (7 bits)
8: device 0 dr beef (16 bits)
13: device 0 ir f (4 bits)
13: device 1 ir 1f (5 bits)
13: device 2 ir 2a (7 bits)
14: device 2 dr 0123456789abcdef (64 bits)"
    ;;
bitstream)
    chain=(--irlen 6,8,10)
    # bitstream.bin, 300 bytes: shown by its first digits and its hash.
    expected="7: device 0 ir 3f (6 bits)
7: device 1 ir ff (8 bits)
7: device 2 ir 3c5 (10 bits)
8: device 2 dr bbda4c38838f1cbe… (2400 bits, sha256 c7a44892f2eac3e5)"
    ;;
*)
    echo "no expected updates for example $name"
    exit 1
    ;;
esac

status=0
report=$("$kelsvf" check --events "$name.svf" "${chain[@]}") || status=$?
failed=0
if ((status != 0)); then
    echo "FAIL: kelsvf check --events $name.svf ${chain[*]} exited with $status"
    failed=1
fi
if [[ $(tail -n 1 <<<"$report") != "$name.svf: 0 errors, 0 warnings" ]]; then
    echo "FAIL: $name.svf has errors or warnings"
    failed=1
fi
updates=$(sed -n "s/^$name\.svf:\([0-9]*: device .*\)/\1/p" <<<"$report")
if [[ $updates != "$expected" ]]; then
    echo "FAIL: $name.svf makes other updates than its script meant:"
    diff <(echo "$expected") <(echo "$updates") || true
    failed=1
fi
if ((failed)); then
    echo "$report"
    exit 1
fi
echo "$name.svf: the updates its script meant"
