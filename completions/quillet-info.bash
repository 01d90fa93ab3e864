# Bash completion for quillet-info, the ZVK snapshot inspector.
# Self-contained: needs no helper from the bash-completion package.

# Offers the files whose names pass the compgen filter $1 (as -X takes it)
# and the directories, which may lead to such files; $cur is the word.
_quillet_info_files_and_directories() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <({
        compgen -f -X "$1" -- "$cur"
        compgen -d -- "$cur"
    } | sort -u)
}

_quillet_info() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}

    # "--extract=DIR" arrives split at the "=" when "=" is a word break.
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
        -m | --memory)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --screen)
            _quillet_info_files_and_directories '!*.[pP][nN][gG]'
            return
            ;;
        --diff)
            _quillet_info_files_and_directories '!*.[zZ][vV][kK]'
            return
            ;;
        --symbols | --coverage)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --range | --peek | --disassemble | --find | --scale | --palette)
            return
            ;;
    esac

    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && break
    done
    if [[ $cur == -* ]] && ((i == COMP_CWORD)); then
        COMPREPLY=($(compgen -W "-h --help --version -j --json -x --extract -m --memory --range --peek
            --disassemble --find --diff --screen --scale --palette --symbols --coverage" -- "$cur"))
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _quillet_info quillet-info
