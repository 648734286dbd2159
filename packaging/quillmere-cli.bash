# bash completion for quillmere-cli

_quillmere_cli() {
    local cur prev words cword
    _init_completion || return

    local command=""
    local i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            list|copy|render|refresh) command="${words[i]}"; break ;;
        esac
    done

    case "$prev" in
        --format)
            COMPREPLY=($(compgen -W "png svg pdf" -- "$cur"))
            return ;;
        --into|--output)
            if [[ $command == render ]]; then
                _filedir -d
            else
                _filedir '@(pptx|pptm|ppt|odp)'
            fi
            return ;;
        --chart|--scale|--width|--height|--workbook|--locale)
            return ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "list copy render refresh --help --version" -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        local options="--quiet"
        case $command in
            list)   options+=" --chart-sheets --json" ;;
            copy)   options+=" --chart --into --link --keep-source-formatting --output" ;;
            render) options+=" --chart --format --scale --width --height --locale --output" ;;
            refresh) options+=" --output --workbook --replace --dry-run --json" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    if [[ $command == refresh ]]; then
        _filedir '@(pptx|pptm)'
    else
        _filedir '@(xlsx|xlsm|xltx|xltm|xls|xlsb|ods)'
    fi
} &&
    complete -F _quillmere_cli quillmere-cli
