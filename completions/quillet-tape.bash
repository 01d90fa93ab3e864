# Bash completion for quillet-tape, the PMD 85 tape tool.
# Self-contained: needs no helper from the bash-completion package.

# Offers the files whose names pass the compgen filter $1 (as -X takes it)
# and the directories, which may lead to such files; $cur is the word.
_quillet_tape_files_and_directories() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <({
        compgen -f -X "$1" -- "$cur"
        compgen -d -- "$cur"
    } | sort -u)
}

_quillet_tape() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}

    # "--wav=OUT" arrives split at the "=" when "=" is a word break.
    if [[ $cur == = ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=""
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    fi

    COMPREPLY=()
    case $prev in
        -x | --extract)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return
            ;;
        -o | --output)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --snapshot)
            _quillet_tape_files_and_directories '!*.[zZ][vV][kK]'
            return
            ;;
        --wav)
            _quillet_tape_files_and_directories '!*.[wW][aA][vV]'
            return
            ;;
        --monitor)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --model)
            COMPREPLY=($(compgen -W "V1 V2 V2A V3 MATO ALFA ALFA2 C2717" -- "$cur"))
            return
            ;;
        --number | --name | --type)
            return
            ;;
    esac

    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && break
    done
    if [[ $cur == -* ]] && ((i == COMP_CWORD)); then
        COMPREPLY=($(compgen -W "-h --help --version -j --json -o --output --pmd --number --name --type
            -x --extract --snapshot --model --wav --ignore-checksums --monitor" -- "$cur"))
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _quillet_tape quillet-tape
