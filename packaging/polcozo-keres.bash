# Bash completion of polcozo-keres: its options, catalogs and folders after
# --katalogus, and the keywords of no catalog (they live inside the catalogs).
_polcozo_keres()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case "$prev" in
        --katalogus)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -X '!*.@(mdb|MDB)' -- "$cur") $(compgen -d -- "$cur"))
            return ;;
        --ut|--kulcs|--utkulcs|--lemez|--min-hossz|--max-hossz)
            COMPREPLY=()
            return ;;
        --datumtol|--datumig)
            COMPREPLY=($(compgen -W "$(date +%Y-%m-%d)" -- "$cur"))
            return ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W '--ut --katalogus --kulcs --utkulcs --lemez --min-hossz
            --max-hossz --datumtol --datumig --mappak --csv --json --darab --count --help
            --version' -- "$cur"))
    fi
}
complete -F _polcozo_keres polcozo-keres
