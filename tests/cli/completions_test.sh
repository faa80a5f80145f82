#!/usr/bin/env bash
# corvane's shell completions complete what the program takes: the commands, the global and the
# command's own options, values of the options with a fixed list (also after --opt=), and --port
# from the serial adapters present. zsh: the completion file loads and defines its function.
#
#   completions_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
failures=0
expect() {  # expect DESCRIPTION WANTED GOT
    if grep -qw -- "$2" <<<"$3"; then
        echo "ok: $1"
    else
        echo "FAILED: $1: '$2' not in '$3'" >&2
        failures=$((failures + 1))
    fi
}
refuse() {  # refuse DESCRIPTION UNWANTED GOT
    if grep -qw -- "$2" <<<"$3"; then
        echo "FAILED: $1: '$2' offered in '$3'" >&2
        failures=$((failures + 1))
    else
        echo "ok: $1"
    fi
}

completion=/usr/share/bash-completion/bash_completion
[ -f "$completion" ] || { echo "bash-completion is not installed"; exit 77; }

complete_words() {  # the words offered for the command line "$@" (its last word being typed)
    bash -c '
        source "$1" && source "$2" || exit 1
        shift 2
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        _corvane
        printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$source_dir/packaging/completions/corvane.bash" "$@"
}

got=$(complete_words corvane "")
for command in info monitor read-setup write-setup download scan set-address calibrate history \
    records certificate ports; do
    expect "the command $command" "$command" "$got"
done
got=$(complete_words corvane --port /dev/ttyUSB0 mon)
expect "a command after a global option and its value" monitor "$got"
got=$(complete_words corvane monitor --)
expect "monitor's own option" --count "$got"
expect "a global option after the command" --timeout-ms "$got"
expect "--json everywhere" --json "$got"
refuse "another command's option" --install "$got"
got=$(complete_words corvane --baud "")
expect "the baud rates" 19200 "$got"
got=$(complete_words corvane --parity=)
expect "a value after --opt=" E "$got"
got=$(complete_words corvane history --kind cal)
expect "the kinds" calibration "$got"
got=$(complete_words corvane calibrate "")
expect "what calibrate takes" conductivity "$got"
# The adapters present: whatever this machine has, the list is what lies under /dev.
present=$(ls -d /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* 2>/dev/null | head -1)
if [ -n "$present" ]; then
    got=$(complete_words corvane --port "")
    expect "--port from the adapters present" "$present" "$got"
fi

if command -v zsh >/dev/null; then
    # Loaded as compinit loads it: from the function path, for the command it names. compinit
    # writes no dump file (-D): it would replace the file it is given.
    zsh_file=$source_dir/packaging/completions/_corvane
    if zsh -n "$zsh_file" && head -1 "$zsh_file" | grep -qx '#compdef corvane' &&
        zsh -fc "fpath=('$source_dir/packaging/completions' \$fpath); autoload -Uz compinit &&
                 compinit -u -D && [[ \${_comps[corvane]} == _corvane ]]"; then
        echo "ok: zsh loads the completion for corvane"
    else
        echo "FAILED: zsh does not load the completion for corvane" >&2
        failures=$((failures + 1))
    fi
fi
[ $failures -eq 0 ]
