#!/bin/sh
# The command-line program carries no code of the window framework: no dialog, property sheet
# or page, window model, data exchange or window host. The desktop program, built from the same
# libraries, must show such symbols, or the pattern would prove nothing.
# usage: no_window_code_in_corvane.sh CORVANE CONTROL_CENTRE
set -eu
corvane="$1"
desktop="$2"
window='corvane::fw::(Dialog|PropertySheet|PropertyPage|WindowModel|DataExchange|Host|HeadlessHost|QtHost)(::| |$)'

symbols=$(nm -C "$corvane")
echo "$symbols" | grep -q 'corvane::SensorLink::' || {
    echo "no symbols of the sensor link in $corvane: nm read nothing useful" >&2
    exit 1
}
if found=$(echo "$symbols" | grep -E "$window"); then
    echo "corvane links window framework code:" >&2
    echo "$found" | head -20 >&2
    exit 1
fi
nm -C "$desktop" | grep -Eq "$window" || {
    echo "the pattern finds no window code in $desktop either: it checks nothing" >&2
    exit 1
}
echo "corvane links no window framework code"
