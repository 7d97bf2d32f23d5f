# bash completion for kelsvf, the command-line host of the SVF-file JTAG plug-in.
#
# The commands, help topics and options come from the help of the kelsvf being completed, so
# they always match it: an option line of the help ("  -o, --output PATH   the SVF file")
# names the option and its value; a value named PATH, FILE or SCRIPT is a file name.

# "kelsvf help [TOPIC]", from the kelsvf on the command line.
_kelsvf_help() {
    "${_kelsvf_program:-kelsvf}" help "$@" 2>/dev/null
}

# Adds the files (and folders) that complete the current word.
_kelsvf_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -- "$cur")
}

# Adds the words of $1 that complete the current word.
_kelsvf_words() {
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -W "$1" -- "$cur")
}

# Fills the caller's associative array "values" from the option lines of the help of command
# $1: each option name maps to the name of its value, or to "" when it takes none.
_kelsvf_read_options() {
    local line term word value
    local -a words names
    while IFS= read -r line; do
        [[ $line =~ ^\ {1,4}(-[^\ ].*)$ ]] || continue
        term=${BASH_REMATCH[1]%%  *}
        read -ra words <<<"$term"
        names=()
        value=
        for word in "${words[@]}"; do
            case $word in
            -*) names+=("${word%,}") ;;
            *) [[ -n $value ]] || value=$word ;;
            esac
        done
        for word in "${names[@]}"; do
            values[$word]=$value
        done
    done < <(_kelsvf_help "$1")
}

# Completes the value of option $1, named $2 in the help.
_kelsvf_value() {
    case $2 in
    *PATH* | *FILE* | *SCRIPT*)
        if [[ $1 == -o || $1 == --output ]]; then
            _kelsvf_words "-" # standard output
        fi
        _kelsvf_files
        ;;
    LEVEL) _kelsvf_words "0 1 2 3 4" ;;
    esac
}

# Completes the arguments that are not options: run's script, the SVF files of check and diff
# convert's input and bsdl's BSDL file (a file, or - for standard input).
_kelsvf_operands() {
    if [[ $1 == run || $1 == check || $1 == diff || $1 == convert || $1 == bsdl ]]; then
        _kelsvf_words "-"
        _kelsvf_files
    fi
}

_kelsvf() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local _kelsvf_program=${COMP_WORDS[0]/#\~/$HOME}
    COMPREPLY=()

    # --option=value: bash splits the word at '=', so the option is one or two words back.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 2)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    if ((COMP_CWORD == 1)); then
        # The commands and options of the usage lines: "  kelsvf run [OPTIONS] ...".
        _kelsvf_words "$(_kelsvf_help | sed -n 's/^ \{1,4\}kelsvf \([^ ]*\).*/\1/p') --help"
        return
    fi

    local command=${COMP_WORDS[1]}
    if [[ $command == help ]]; then
        # The topics of "kelsvf help [run|program]".
        ((COMP_CWORD == 2)) &&
            _kelsvf_words "$(_kelsvf_help | sed -n 's/.*kelsvf help \[\([^]]*\)\].*/\1/p' | tr '|' ' ')"
        return
    fi
    [[ $command == -* ]] && return

    local -A values=()
    _kelsvf_read_options "$command"
    ((${#values[@]} > 0)) || return

    local i
    for ((i = 2; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == -- ]]; then
            _kelsvf_operands "$command"
            return
        fi
    done
    if [[ -n $prev && -n ${values[$prev]-} ]]; then
        _kelsvf_value "$prev" "${values[$prev]}"
    elif [[ $cur == -* ]]; then
        _kelsvf_words "${!values[*]}"
    else
        _kelsvf_operands "$command"
    fi
}

complete -F _kelsvf kelsvf
