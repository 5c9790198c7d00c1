# bash completion for kalidor-cli
# The commands and their options are read from "kalidor-cli --help", so they follow the program.

_kalidor_cli_usage()
{
    "${COMP_WORDS[0]}" --help 2>/dev/null
}

_kalidor_cli()
{
    local cur prev words cword
    _init_completion || return

    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$(_kalidor_cli_usage | awk '/^  [a-z]/ && !seen[$1]++ {print $1}') --help" -- "$cur"))
        return
    fi

    local command=${words[1]}
    case $prev in
        -o | --csv | --svg | --png | --pdf)
            _filedir
            return
            ;;
        --state-dir)
            _filedir -d
            return
            ;;
        --cable)
            COMPREPLY=($(compgen -W "virtual:ZelA virtual:ZelB virtual:ZelC virtual:ZelD virtual:ZelE
                                     ppdev:/dev/parport0 direct:0x378" -- "$cur"))
            return
            ;;
        --config)
            COMPREPLY=($(compgen -W "A B" -- "$cur"))
            return
            ;;
        --delimiter)
            COMPREPLY=($(compgen -W "comma semicolon tab space" -- "$cur"))
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        # The options named in this command's usage lines.
        local options
        options=$(_kalidor_cli_usage | awk -v c="$command" '
            /^  [a-z]/ { inside = ($1 == c) }
            inside { print }' | grep -oE -- '(^|[][ |])--?[a-z][a-z-]*' | sed 's/^[][ |]*//' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $command in
        new | device)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "ZelA ZelB ZelC ZelD ZelE" -- "$cur"))
                return
            fi
            ;;
        filters)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "ZelD ZelE" -- "$cur"))
                return
            fi
            ;;
        svf)
            _filedir '@(svf|SVF)'
            return
            ;;
        chain)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "new add list remove rename extract embed program scan" -- "$cur"))
                return
            fi
            if [[ $cword -eq 3 ]]; then
                _filedir '@(zjc|ZJC)'
                return
            fi
            ;;
        import-jedec)
            if [[ $cword -eq 3 ]]; then
                _filedir '@(jed|JED)'
                return
            fi
            ;;
    esac
    _filedir '@(zel|ZEL)'
} &&
    complete -F _kalidor_cli kalidor-cli
