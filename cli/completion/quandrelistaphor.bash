# bash completion for quandrelistaphor: commands, each command's options,
# OBJ files for the file arguments and folders for --out-dir.
_quandrelistaphor() {
    local cur prev command options
    cur=${COMP_WORDS[COMP_CWORD]}
    # The word as the shell will read it: a name with blanks or other shell
    # characters is typed quoted or escaped (my\ meshes/, 'my meshes/).
    [[ $cur == [\'\"]* ]] && cur=${cur:1}
    cur=$(printf '%s' "$cur" | sed 's/\\\(.\)/\1/g')
    local IFS=$' \t\n' names=$'\n'  # file names one a line: blanks stay in them (-o filenames quotes them)
    prev=${COMP_WORDS[COMP_CWORD-1]}
    command=${COMP_WORDS[1]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "convert pair report shapes batch help --help --version" -- "$cur"))
        return
    fi
    case $prev in
        --out-dir) IFS=$names; COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --output) IFS=$names; COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --gltf) IFS=$names; COMPREPLY=($(compgen -f -X '!*.[gG][lL][bBtT]*' -- "$cur") $(compgen -d -- "$cur")); return ;;
        --by) COMPREPLY=($(compgen -W "position topology" -- "$cur")); return ;;
        --tolerance) COMPREPLY=($(compgen -W "auto" -- "$cur")); return ;;
        --jobs|--seed) return ;;
    esac
    case $command in
        convert) options="--yes --tolerance --strict --allow-count-change --by --seed --accept-unsure --jobs --json
                          --quiet -q --help" ;;
        pair) options="--tolerance --strict --allow-count-change --by --seed --accept-unsure --output --quiet -q --help" ;;
        report) options="--output --details --json --quiet -q --help" ;;
        shapes) options="--out-dir --jobs --tolerance --allow-count-change --force --by --seed --strict --accept-unsure
                         --gltf --json --quiet -q --help" ;;
        batch) options="--out-dir --jobs --yes --tolerance --strict --allow-count-change --force --json --quiet -q --help" ;;
        help) COMPREPLY=($(compgen -W "convert pair report shapes batch" -- "$cur")); return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        IFS=$names
        COMPREPLY=($(compgen -f -X '!*.[oO][bB][jJ]' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -o filenames -F _quandrelistaphor quandrelistaphor
