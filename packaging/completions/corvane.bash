# bash completion of corvane: its commands, their options, and --port from the serial adapters
# present (their stable /dev/serial/by-id names first).

_corvane_ports() {
    local ports=() name
    for name in /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* /dev/ttyS*; do
        [ -e "$name" ] && ports+=("$name")
    done
    printf '%s\n' "${ports[@]}"
}

_corvane() {
    local cur prev words cword
    _init_completion -n = || return

    local commands="info monitor read-setup write-setup download scan set-address calibrate
        history records certificate ports"
    local global="--port --address --baud --parity --data-bits --stop-bits --timeout-ms
        --operator --trace --simulate --records --json --help --version"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --port | --address | --baud | --parity | --data-bits | --stop-bits | --timeout-ms | \
                --operator | --records | --count | --from | --to | --serial | --since | --kind | \
                --show | --out | --paper | --stable-s | --timeout-s)
                ((i++)) ;;
            -*) ;;
            *)
                command=${words[i]}
                break
                ;;
        esac
    done

    # --opt=value as --opt value
    if [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    fi
    case $prev in
        --port)
            mapfile -t COMPREPLY < <(compgen -W "$(_corvane_ports)" -- "$cur")
            return
            ;;
        --baud)
            mapfile -t COMPREPLY < <(compgen -W "2400 4800 9600 19200 38400 57600 115200" -- "$cur")
            return
            ;;
        --parity)
            mapfile -t COMPREPLY < <(compgen -W "E O N M S" -- "$cur")
            return
            ;;
        --data-bits)
            mapfile -t COMPREPLY < <(compgen -W "7 8" -- "$cur")
            return
            ;;
        --stop-bits)
            mapfile -t COMPREPLY < <(compgen -W "1 2" -- "$cur")
            return
            ;;
        --kind)
            mapfile -t COMPREPLY < <(compgen -W "setup-written setup-read file-saved file-loaded
                calibration outputs-forced download serial-number address-changed
                default-setup" -- "$cur")
            return
            ;;
        --paper)
            mapfile -t COMPREPLY < <(compgen -W "a4 letter" -- "$cur")
            return
            ;;
        --records | --out)
            _filedir
            return
            ;;
        --address | --timeout-ms | --operator | --count | --from | --to | --serial | --since | \
            --show | --stable-s | --timeout-s)
            return
            ;;
    esac

    local own=""
    case $command in
        monitor) own="--count --csv" ;;
        write-setup) own="--yes" ;;
        download) own="--install --yes" ;;
        scan) own="--from --to" ;;
        calibrate) own="--stable-s --timeout-s --yes --no-adjust" ;;
        history) own="--serial --since --kind --csv --show" ;;
        certificate) own="--out --paper" ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$global $own" -- "$cur")
        return
    fi
    case $command in
        "") mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur") ;;
        read-setup | write-setup) _filedir QCF ;;
        download) _filedir '@(hex|Hex|HEX)' ;;
        records) mapfile -t COMPREPLY < <(compgen -W "push pull" -- "$cur") ;;
        calibrate)
            if [[ ${words[cword - 1]} == calibrate ]]; then
                mapfile -t COMPREPLY < <(compgen -W "conductivity temperature outputs" -- "$cur")
            elif [[ ${words[cword - 1]} == conductivity ]]; then
                mapfile -t COMPREPLY < <(compgen -W "0 9.25 92.5 925" -- "$cur")
            fi
            ;;
    esac
}
complete -F _corvane corvane
