#!/usr/bin/env bash
# Black-box tests of plakit gal, each in a fresh temporary folder: every pair it writes
# proven over all input words and both levels of /CE (gal_proof: the fuse maps read as the
# GAL22V10 lays them out, and jedutil's equations of them), and what it refuses.
# Usage: gal_cli.sh CASE PLAKIT GAL_PROOF [EMULATOR...]
set -euo pipefail

case_name=$1
plakit=$(realpath "$2")
gal_proof=$(realpath "$3")
shift 3
emulator=("$@")

programs=(plakit gal_proof)
# shellcheck source=plakit_harness.sh
source "$(dirname "$0")/plakit_harness.sh"

command -v jedutil >/dev/null || {
    [ "${CI:-}" != true ] || fail "jedutil is missing (install it: bash tools/dependencies.sh test)"
    skip "no jedutil"
}

# Proves the pair NAME-1.jed, NAME-2.jed on NAME-board.txt; the rest goes to gal_proof.
prove() {
    local name=$1 chip
    shift
    for chip in 1 2; do
        jedutil -view "$name-$chip.jed" GAL22V10 >"$name-$chip.txt" || fail "jedutil refused $name-$chip.jed"
    done
    "$gal_proof" "$name-board.txt" "$name-1.jed" "$name-2.jed" --jedutil "$name-1.txt" "$name-2.txt" "$@" ||
        fail "$name: not proven"
}

# A Berkeley PLA of $2 random terms of 4 to 10 literals (seed $1), each feeding an output
# with odds of one in four, F5 with odds $3; of type fd with $4 set, where an output's
# column is - as often as 1.
random_pla() {
    awk -v seed="$1" -v rows="$2" -v heavy="$3" -v free="${4:-}" 'BEGIN {
        srand(seed)
        printf ".i 16\n.o 8\n%s.p %d\n", free ? ".type fd\n" : "", rows
        for (t = 0; t < rows; ++t) {
            literals = 4 + int(rand() * 7)
            row = "----------------"
            for (n = 0; n < literals; ++n) {
                j = int(rand() * 16)
                row = substr(row, 1, j) (rand() < 0.5 ? "0" : "1") substr(row, j + 2)
            }
            row = row " "
            for (k = 0; k < 8; ++k) {
                fed = rand() < (k == 5 ? heavy : 0.25)
                row = row (fed ? (free && rand() < 0.5 ? "-" : "1") : "0")
            }
            print row
        }
        print ".e"
    }'
}

# The built-in board as its pinout reads: every input and CE on both chips, F0-F3 on chip
# 1's pins 19, 18, 20 and 17, F4-F7 on chip 2's.
built_in_board() {
    local chip pin input signals=(I0 I1 I2 I3 I4 I5 I6 I7 I8 I9 I10 - I11 I12 I13 I14 - - - - - I15 CE)
    for chip in 1 2; do
        for pin in $(seq 1 23); do
            [ "${signals[pin - 1]}" = - ] || echo "$chip.$pin ${signals[pin - 1]}"
        done
        for input in 0 1 2 3; do
            pin=$(echo 19 18 20 17 | cut -d' ' -f$((input + 1)))
            echo "$chip.$pin F$(((chip - 1) * 4 + input))"
        done
    done
}

case $case_name in
built_in)
    # The built-in programming from its image (through the adapter's wiring) on the
    # built-in board, with /CE tied.
    "$plakit" image -o built-in.bin
    run gal built-in.bin --ce tied
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    grep -qx 'plakit: 82S100_GAL-board.txt: 23, 1, 2, 5, 1, 6, 2, 3 terms (F0-F7), each the fewest possible; F0 spilled, one gate slower' \
        "$work/err" || fail "stderr: $(cat "$work/err")"
    prove 82S100_GAL --ce-tied
    ;;
random)
    # A random programming whose F5 spills, on a board chosen for it, its outputs enabled
    # by /CE (the design case is random too).
    random_pla 7 24 0.9 >heavy.pla
    run gal heavy.pla --board auto -o heavy
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    grep -q 'F5 spilled' "$work/err" || fail "F5 did not spill: $(cat "$work/err")"
    prove heavy heavy.pla
    ;;
design)
    # A design with don't-cares on the built-in board given as a board file.
    random_pla 11 40 0.25 free >design.pla
    built_in_board >board.txt
    run gal design.pla --board board.txt -o design
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    prove design design.pla
    ;;
refused)
    # The parity of six inputs on F3: 32 terms at either polarity; nothing written, the old
    # files kept.
    {
        printf '.i 16\n.o 8\n'
        for word in $(seq 0 63); do
            bits=$(for j in 0 1 2 3 4 5; do printf '%d' $(((word >> j) & 1)); done)
            ones=${bits//0/}
            [ $((${#ones} % 2)) -eq 1 ] && printf '%s---------- 00010000\n' "$bits"
        done
        printf '.e\n'
    } >parity.pla
    echo old >parity-1.jed
    run gal parity.pla -o parity
    expect_error 1 "plakit: parity.pla: F3 needs at least 32 terms at either polarity; its cell and the spare cells of chip 1 hold 25"
    [ "$(cat parity-1.jed)" = old ] && [ ! -e parity-2.jed ] && [ ! -e parity-board.txt ] || fail "files were written"
    printf '1.19 F0\n1.19 F1\n' >board.txt
    run gal --board board.txt
    expect_error 1 "plakit: board.txt:2:1: 1.19 is named twice (first on line 1)"
    run gal - --board -
    expect_error 2 "plakit: PROGRAMMING, --board and --wiring cannot read standard input together; try 'plakit gal --help'"
    run gal --ce free
    [ "$status" -eq 2 ] || fail "--ce free: status $status"
    if compgen -G '*-board.txt' >/dev/null; then fail "a board was written"; fi
    ;;
all_or_none)
    # A folder where the board would go: neither chip's file is left written, an old one is
    # put back as it was, and a new one removed.
    mkdir made made/pair-board.txt
    echo old >made/pair-1.jed
    run gal -o made/pair
    expect_error_like 1 "plakit: made/pair-board.txt: .*"
    [ "$(cat made/pair-1.jed)" = old ] || fail "the old made/pair-1.jed was not put back"
    [ ! -e made/pair-2.jed ] || fail "made/pair-2.jed was left"
    [ "$(ls made)" = "$(printf 'pair-1.jed\npair-board.txt')" ] || fail "stray files: $(ls made)"
    # An input is never written over.
    "$plakit" jedec -o pair-1.jed
    run gal pair-1.jed -o pair
    expect_error 1 "plakit: pair-1.jed: the output file is also the input: not written"
    [ ! -e pair-2.jed ] || fail "pair-2.jed was written"
    ;;
*)
    fail "no such case"
    ;;
esac
