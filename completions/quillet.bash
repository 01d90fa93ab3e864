# Bash completion for quillet, the ZVK snapshot builder.
# Self-contained: needs no helper from the bash-completion package.
#
# quillet takes an option's values by position, whatever they look like, so
# the words before the cursor are walked the same way to learn whether the
# cursor stands on an option word or on the n-th value of an option.

# Offers the words of $1 that start with $2; a lower-case $2 gets the words
# in lower case, since model and register names match in any letter case.
_quillet_words() {
    local words=$1 cur=$2
    [[ $cur == *[a-z]* ]] && words=${words,,}
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
}

# Offers the file names (directories included) that start with $1.
_quillet_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$1")
}

# Number of values each option word takes; no entry means no value.
_quillet_value_count() {
    case $1 in
        -o | -cm | -zvk | -rom | -vpi | -mm | -mif85) echo 1 ;;
        -mem | -pg | -hex | -reg) echo 2 ;;
        *) echo 0 ;;
    esac
}

_quillet() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local option="" position=0 i=1 count
    while ((i < COMP_CWORD)); do
        count=$(_quillet_value_count "${COMP_WORDS[i]}")
        if ((i + count >= COMP_CWORD)); then
            option=${COMP_WORDS[i]}
            position=$((COMP_CWORD - i))
            break
        fi
        ((i += 1 + count))
    done

    COMPREPLY=()
    case $option:$position in
        -cm:1) _quillet_words "V1 V2 V2A V3 MATO ALFA ALFA2 C2717" "$cur" ;;
        -reg:1) _quillet_words "AF BC DE HL PC SP" "$cur" ;;
        -pg:1) _quillet_words "$(echo {0..15})" "$cur" ;;
        -vpi:1 | -mif85:1) _quillet_words "0 1" "$cur" ;;
        -o:1 | -zvk:1 | -rom:1 | -mem:2 | -pg:2) _quillet_files "$cur" ;;
        -mem:1 | -hex:* | -reg:2 | -mm:1) ;;  # numbers and hexadecimal bytes
        *)
            _quillet_words "-o -pack -cm -zvk -rom -mem -pg -hex -reg -allram -ei -vpi -mm -mif85 -mus -vb -h" "$cur"
            ;;
    esac
}

complete -F _quillet quillet
