#!/usr/bin/env bash
# The manual page kelsvf(1): man renders it without a single warning, and it holds every word
# of kelsvf's help (headings aside), so nothing of the help is lost on the way to the page.
#
#   check_manpage.sh MAN_PAGE KELSVF
# Exits 77 (skipped) where man is not installed.
set -euo pipefail
set -f # help words such as [OPTIONS] are not patterns

page=$1
kelsvf=$2

if ! command -v man >/dev/null 2>&1; then
    echo "man is not installed: skipped"
    exit 77
fi

# A locale every Debian system has, so that man has nothing to say about the locale.
export LC_ALL=C.UTF-8
warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
if [[ -n $warnings ]]; then
    echo "man warns about $page:"
    echo "$warnings"
    exit 1
fi

# The page as plain text, a paragraph a line (no hyphenation), blanks squeezed.
text=" $(MANROFFSEQ='' MANROFFOPT='-rHY=0' MANWIDTH=1000 man -E ascii -l "$page" 2>/dev/null |
    tr -s ' \n' '  ') "

missing=()
for topic in "" run program check diff bsdl convert; do
    # shellcheck disable=SC2086 # no topic at all for the general help
    while IFS= read -r line; do
        [[ $line =~ ^[^\ ].*:$ ]] && continue # a heading
        line=${line#Usage: }
        for word in $line; do
            word=${word%[.:]} # the NAME line drops them: "kelsvf \- what it does"
            [[ $text == *" $word"* ]] || missing+=("$word (kelsvf help $topic)")
        done
    done < <("$kelsvf" help $topic)
done
if ((${#missing[@]} > 0)); then
    echo "words of the help missing from $page:"
    printf '  %s\n' "${missing[@]}"
    exit 1
fi
echo "manual page OK"
