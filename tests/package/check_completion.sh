#!/usr/bin/env bash
# The bash completion of kelsvf, as bash calls it: COMP_WORDS and COMP_CWORD set for a command
# line, then the completion function, then COMPREPLY checked.
#
#   check_completion.sh COMPLETION_SCRIPT KELSVF_DIR
set -euo pipefail

completion=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
PATH="$(cd "$2" && pwd):$PATH"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir folder
touch chain.kel data.bin -- -odd-name

# shellcheck source=/dev/null
source "$completion"
failures=0

# complete LINE: the completions of the last word of LINE (empty after a trailing blank), sorted,
# one line. A "=" is a word of its own, as bash's word breaking makes it.
complete_line() {
    local line=${1//=/ = }
    read -ra COMP_WORDS <<<"$line"
    [[ $1 == *" " || $1 == *= ]] && COMP_WORDS+=("")
    [[ $1 == *= ]] && unset 'COMP_WORDS[-1]'
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$1
    COMP_POINT=${#1}
    COMPREPLY=()
    _kelsvf
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ *$//'
}

# expect LINE WORDS: exactly these completions.
expect() {
    local got
    got=$(complete_line "$1")
    if [[ $got != "$2" ]]; then
        echo "FAIL: '$1' completes to '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

# expect_among LINE WORD...: these completions among others.
expect_among() {
    local line=$1 got word
    shift
    got=" $(complete_line "$line") "
    for word in "$@"; do
        if [[ $got != *" $word "* ]]; then
            echo "FAIL: '$line' does not offer $word (offers:$got)"
            failures=$((failures + 1))
        fi
    done
}

# expect_none_of LINE WORD...: none of these.
expect_none_of() {
    local line=$1 got word
    shift
    got=" $(complete_line "$line") "
    for word in "$@"; do
        if [[ $got == *" $word "* ]]; then
            echo "FAIL: '$line' offers $word"
            failures=$((failures + 1))
        fi
    done
}

files="-odd-name chain.kel data.bin folder"

# Commands and help topics.
expect_among "kelsvf " run program check diff bsdl convert help --version --help
expect "kelsvf pr" "program"
expect "kelsvf help " "bsdl check convert diff program run"
expect "kelsvf help run " ""

# The options of each command; each command only its own.
expect_among "kelsvf run -" -o --output --plugin -v --trace --dump --keep-going -h --help --
expect_none_of "kelsvf run -" --irlen --data --verbosity
expect_among "kelsvf program --" --irlen --chainfile --device --ir --data --output --runtest \
    --type --print-script --msb-first --plugin --trace --dump --keep-going --help --
expect "kelsvf program --ir" "--ir --irlen"
expect_among "kelsvf check --" --chain --chainfile --irlen --bsdl-dir --frequency --events --json \
    --help --
expect_none_of "kelsvf check --" --plugin --trace --output
expect_among "kelsvf diff --" --chain --chainfile --irlen --bsdl-dir --max-differences --waits \
    --frequency --help --
expect_none_of "kelsvf diff --" --json --plugin
expect_among "kelsvf convert --" --output --to --max-scan --xrepeat --drop-unsupported \
    --frequency --chain --chainfile --irlen --bsdl-dir --help --
expect_none_of "kelsvf convert --" --json --plugin
expect "kelsvf run --keep" "--keep-going"

# Option values: files where the value is a path, levels for -v, nothing for numbers.
expect "kelsvf run -o " "- $files"
expect "kelsvf run --output ch" "chain.kel"
expect "kelsvf program --data " "$files"
expect "kelsvf program -o " "- $files"
expect "kelsvf program --chainfile d" "data.bin"
expect "kelsvf run --plugin=" "$files"
expect "kelsvf run --plugin=fo" "folder"
expect "kelsvf run -v " "0 1 2 3 4"
expect "kelsvf program --irlen " ""
expect "kelsvf program --device 2 --ir " ""

# Operands: run takes a script file or -, program none; after -- only operands.
expect "kelsvf run " "- $files"
expect "kelsvf run --trace -v 4 c" "chain.kel"
expect "kelsvf program --irlen 6,8 " ""
expect "kelsvf run -- -" "- -odd-name"
expect "kelsvf check " "- $files"
expect "kelsvf check --chainfile d" "data.bin"
expect "kelsvf check --chain " ""
expect "kelsvf diff a.svf " "- $files"
expect "kelsvf diff --max-differences " ""
expect "kelsvf convert " "- $files"
expect "kelsvf convert a.svf -o " "- $files"
expect "kelsvf convert --max-scan " ""
expect "kelsvf convert --chainfile d" "data.bin"
expect "kelsvf bsdl " "- $files"
expect_among "kelsvf bsdl -" --json --help --
expect_none_of "kelsvf bsdl -" --chain --plugin

# Nothing for a command kelsvf does not have.
expect "kelsvf frobnicate -" ""

if ((failures > 0)); then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "completion OK"
