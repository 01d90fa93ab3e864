# Bash completion for quillet-run, which runs 8080 programs.
# Self-contained: needs no helper from the bash-completion package.
_quillet_run() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    case $prev in
        --cpm)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <({
                compgen -f -X '!*.[Cc][Oo][Mm]' -- "$cur"
                compgen -d -- "$cur"
            } | sort -u)
            return
            ;;
        --max-states) return ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "--cpm --max-states --stats --json --help --version" -- "$cur")
}
complete -F _quillet_run quillet-run
