# Bash completion for quillet-run, which runs programs on a headless PMD 85.
# Self-contained: needs no helper from the bash-completion package.

# Offers the files whose names pass the compgen filter $1 (as -X takes it;
# empty for all files) and the directories, which may lead to such files;
# $cur is the word.
_quillet_run_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <({
        compgen -f ${1:+-X "$1"} -- "$cur"
        compgen -d -- "$cur"
    } | sort -u)
}

# The number of values the option $1 takes (--rom-at: ADDR and FILE).
_quillet_run_values() {
    case $1 in
        --rom-at) echo 2 ;;
        --cpm | --in | --reg | --poke | --until | --call | --max-states | --max-instructions | --expect | \
            --expect-flag | --expect-mem | --peek | --screen | --scale | --palette | --trace | --trace-limit | \
            -o | --output | --symbols | --expect-stop | --expect-screen | --screen-diff | --screen-tolerance | \
            --coverage | --monitor | --module | --tape | --type | --keys | --expect-text | --until-text | --audio | \
            --tape-out | --tests) echo 1 ;;
        *) echo 0 ;;
    esac
}

# Completes value number $2 (from 0) of the option $1.
_quillet_run_value() {
    case $1:$2 in
        --cpm:0) _quillet_run_files '!*.[Cc][Oo][Mm]' ;;
        --screen:0 | --screen-diff:0) _quillet_run_files '!*.[Pp][Nn][Gg]' ;;
        --audio:0) _quillet_run_files '!*.[Ww][Aa][Vv]' ;;
        --rom-at:1 | --trace:0 | -o:0 | --output:0 | --symbols:0 | --expect-screen:0 | --coverage:0 | --monitor:0 | \
            --module:0 | --tape:0 | --tape-out:0 | --keys:0 | --tests:0)
            _quillet_run_files ""
            ;;
        --expect-stop:0) mapfile -t COMPREPLY < <(compgen -W "halt until return limit" -- "$cur") ;;
        --scale:0) mapfile -t COMPREPLY < <(compgen -W "1 2 3 4" -- "$cur") ;;
    esac
}

_quillet_run() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=()

    # The words before the cursor as the program sees them: bash splits
    # "--screen=x.png" and "A=0x12" at "=", a word break; glue them back.
    local -a before=()
    local i word glued=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == = ]] && ((${#before[@]} > 0)); then
            before[-1]+="="
            glued=1
        elif ((glued)); then
            before[-1]+=$word
            glued=0
        else
            before+=("$word")
        fi
    done
    # The cursor in the value of "--name=VALUE": after "=" as its own word,
    # just after it, or within one word.
    if [[ $cur == = ]] && ((${#before[@]} > 0)); then
        before[-1]+="="
        cur=""
        glued=1
    elif [[ $cur == --*=* ]]; then
        before+=("${cur%%=*}=")
        cur=${cur#*=}
        glued=1
    fi
    if ((glued)); then
        word=${before[-1]}
        [[ $word == --*= ]] && _quillet_run_value "${word%=}" 0
        return
    fi

    # Which option the cursor gives a value to, if any: values are taken by
    # position, whatever they look like; "--" ends the options.
    local option="" pending=0 taken=0 ended=0
    for word in "${before[@]}"; do
        if ((pending > 0)); then
            pending=$((pending - 1))
            taken=$((taken + 1))
        elif ((!ended)) && [[ $word == -- ]]; then
            ended=1
        elif ((!ended)) && [[ $word == -* ]]; then
            option=${word%%=*}
            pending=$(_quillet_run_values "$option")
            taken=0
            # "--rom-at=ADDR" has given its first value.
            if [[ $word == --*=* ]] && ((pending > 0)); then
                pending=$((pending - 1))
                taken=1
            fi
        fi
    done
    if ((pending > 0)); then
        _quillet_run_value "$option" "$taken"
        return
    fi

    if [[ $cur == -* ]] && ((!ended)); then
        mapfile -t COMPREPLY < <(compgen -W "--rom-at --in --reg --poke --until --call --max-states
            --max-instructions --expect --expect-flag --expect-mem --json --peek --screen --scale --palette
            --trace --trace-limit --out-log -o --output --cpm --stats -h --help --version --symbols --expect-stop
            --expect-screen --screen-diff --screen-tolerance --coverage --bare --monitor --boot --type --keys
            --screen-text --expect-text --until-text --audio --tape --tape-out --tests --module" -- "$cur")
        return
    fi
    _quillet_run_files ""
}

complete -F _quillet_run quillet-run
