#!/usr/bin/env bash
# plakit fit and Espresso's exact mode side by side, in one run, on the designs that
# design_bench writes (the 82S100's shape, with don't-cares): for each, plakit's terms,
# outcome and processor time, then Espresso's -Dexact count for the polarity plakit chose
# (its reference: the fewest terms for that polarity) and its processor time.
# Usage: bash bench/design_vs_espresso.sh BUILD_DIR   (a Release build: cmake --preset bench)
set -euo pipefail
build=$(realpath "${1:?usage: design_vs_espresso.sh BUILD_DIR}")
here=$(cd "$(dirname "$0")" && pwd)
peer=$here/../../shared/peers/espresso/build.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -f "$peer" ] || { echo "no Espresso beside the project ($peer)" >&2; exit 77; }
espresso=$(bash "$peer" "$work/espresso")
"$build/bench/design_bench" --designs "$work"

# The processor time (user + system, seconds) of running "$@", its output in $work/out.
cpu() {
    local TIMEFORMAT='%3U %3S'
    { time "$@" >"$work/out" 2>"$work/err" || true; } 2>"$work/time"
    awk '{ printf "%.2f", $1 + $2 }' "$work/time"
}

printf '%-20s %6s %-24s %8s %9s %8s\n' design plakit outcome "cpu s" espresso "cpu s"
for design in "$work"/*.pla; do
    name=$(basename "$design" .pla)
    seconds=$(cpu "$build/plakit" fit "$design" -o "$work/$name.jed")
    outcome=$(tail -n 1 "$work/err" | sed 's/^plakit: [^:]*: //')
    terms=$(sed -n 's/^\([0-9]*\) terms.*/\1/p' <<<"$outcome")
    polarity=$(sed -n 's/.*polarity \([HL]*\).*/\1/p' <<<"$outcome")
    case $outcome in
    *"the fewest possible"*) said=proven ;;
    *"at least"*"needed;"*) said="bounded, at least $(sed -n 's/.*at least \([0-9]*\) are needed.*/\1/p' <<<"$outcome")" ;;
    *) said="impossible" ;;
    esac
    exact=-
    exact_seconds=-
    if [ -n "$polarity" ]; then
        phase=$(tr HL 10 <<<"$polarity")
        sed "s/^\.o 8\$/.o 8\n.phase $phase/" "$design" >"$work/$name.phased.pla"
        exact_seconds=$(cpu "$espresso" -Dexact "$work/$name.phased.pla")
        exact=$(sed -n 's/^\.p \([0-9]*\)$/\1/p' "$work/out")
    fi
    printf '%-20s %6s %-24s %8s %9s %8s\n' "$name" "${terms:--}" "$said" "$seconds" "${exact:--}" "$exact_seconds"
done
