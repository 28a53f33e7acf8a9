#!/usr/bin/env bash
# Black-box tests of designs (plakit fit and compare on a Berkeley PLA with don't-cares, or
# equations of any size), each in a fresh temporary folder; Espresso's verdict on the
# programmings found.
# Usage: design_cli.sh CASE PLAKIT ESPRESSO_DIR [EMULATOR...]
# ESPRESSO_DIR is where Espresso is built (from ../shared/peers/espresso beside the
# project) if it is not there yet; a case that needs it skips (77) where it is absent.
set -euo pipefail

case_name=$1
plakit=$(realpath "$2")
espresso_dir=$3
shift 3
emulator=("$@")

programs=(plakit)
# shellcheck source=plakit_harness.sh
source "$(dirname "$0")/plakit_harness.sh"
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Espresso, built once into ESPRESSO_DIR.
need_espresso() {
    espresso=$espresso_dir/espresso
    [ -x "$espresso" ] && return 0
    local peer=$source_dir/../shared/peers/espresso/build.sh
    [ -f "$peer" ] || skip "no Espresso beside the project ($peer)"
    # Cases run side by side: one builds it while the others wait, then find it built.
    mkdir -p "$(dirname "$espresso_dir")"
    flock "$espresso_dir.lock" bash -c '[ -x "$1/espresso" ] || bash "$2" "$1" >/dev/null' _ "$espresso_dir" "$peer" ||
        fail "Espresso did not build"
}

# The JEDEC file $1 as a Berkeley PLA whose columns Espresso can match by name.
named_pla() {
    "$plakit" convert "$1" --to pla -o - |
        sed "s/^\.o 8\$/.o 8\n.ilb $(echo I{0..15})\n.ob $(echo F{0..7})/"
}

# Espresso's verdict that the programming in the JEDEC file $2 drives the design $1 (a
# PLA of type f or fd over I0-I15 and F0-F7, named so) wherever the design cares:
# -Dverify when the columns are in pin order, -DPLAverify (which matches them by name)
# otherwise.
espresso_agrees() {
    named_pla "$2" >"$2.pla"
    local mode=-Dverify
    grep -qx "\.ilb $(echo I{0..15})" "$1" || mode=-DPLAverify
    "$espresso" $mode "$1" "$2.pla" >espresso.out 2>&1 || fail "Espresso $mode $1 $2.pla: $(grep -v '^#' espresso.out)"
    grep -q "compared equal" espresso.out || fail "Espresso $mode $1 $2.pla: $(grep -v '^#' espresso.out)"
}

# A random design over I0-I15 and F0-F7, the input columns in the order of the seed's
# shuffle: `$2` rows of type $3 (f, fd, fr or fdr), every input named by its pin. In fr
# and fdr, a row's first column says whether it may hold 1s (high) or 0s (low), so that
# no word is both; the rows that hold 1s cover the ON-set, so 48 rows always fit.
random_design() {
    awk -v seed="$1" -v rows="$2" -v type="$3" 'BEGIN {
        srand(seed)
        for (j = 0; j < 16; ++j) pin[j] = j
        for (j = 15; j > 0; --j) { r = int(rand() * (j + 1)); t = pin[j]; pin[j] = pin[r]; pin[r] = t }
        printf ".i 16\n.o 8\n.ilb"
        for (j = 0; j < 16; ++j) printf " I%d", pin[j]
        printf "\n.ob F0 F1 F2 F3 F4 F5 F6 F7\n.type %s\n.p %d\n", type, rows
        sided = type == "fr" || type == "fdr"
        for (r = 0; r < rows; ++r) {
            high = rand() < 0.6
            row = sided ? (high ? "1" : "0") : ""
            for (j = length(row); j < 16; ++j) { x = rand(); row = row (x < 0.2 ? "0" : x < 0.4 ? "1" : "-") }
            row = row " "
            for (k = 0; k < 8; ++k) {
                x = rand()
                mark = x < 0.25 ? "1" : x < 0.35 ? "-" : x < 0.5 ? "~" : "0"
                if (sided && (mark == "1" || mark == "0")) mark = high ? "1" : "0"
                row = row mark
            }
            print row
        }
        print ".e"
    }'
}

# The design of 12 inputs that fits only through its don't-cares: F0 is high where
# I7-I11 have odd parity and I0-I6 even, low where I7-I11 have even parity, and free where
# both have odd parity; 16 terms (the odd parity of I7-I11). Read as type f, the free
# words are low: at least 64 terms for the odd parity of I0-I6 alone, in either polarity.
# With `pad` 1, the same over I0-I15 and F0-F7 for Espresso, the outputs not named free.
parity_design() {
    awk -v type="$1" -v pad="$2" 'function parity(v, n,   p, j) { p = 0; for (j = 0; j < n; ++j) p += int(v / 2 ^ j) % 2; return p % 2 }
    function bits(v, n,   s, j) { s = ""; for (j = 0; j < n; ++j) s = s int(v / 2 ^ j) % 2; return s }
    BEGIN {
        printf ".i %d\n.o %d\n.type %s\n", pad ? 16 : 12, pad ? 8 : 1, type
        if (pad) printf ".ilb %s\n.ob %s\n---------------- ~-------\n", "I0 I1 I2 I3 I4 I5 I6 I7 I8 I9 I10 I11 I12 I13 I14 I15", "F0 F1 F2 F3 F4 F5 F6 F7"
        for (b = 0; b < 32; ++b) for (a = 0; a < 128; ++a) {
            if (!parity(b, 5)) continue
            print bits(a, 7) bits(b, 5) (pad ? "----" : "") " " (parity(a, 7) ? "-" : "1") (pad ? "~~~~~~~" : "")
        }
        print ".e"
    }'
}

case $case_name in
small)
    # The guide's design (docs/fit.md): a few inputs with names of their own, a don't-care.
    cat >select.pla <<'EOF'
# The ROM in the top 8 KiB unless the switch is up (then no matter), the RAM below 32 KiB.
.i 4
.o 2
.ilb a15 a14 a13 switch
.ob rom ram
.type fd
.p 3
1110 10
1111 -0
0--- 01
.e
EOF
    run fit select.pla -o select.jed
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    [ "$(head -n 1 "$work/err")" = "plakit: select.pla: a15 is I0, a14 is I1, a13 is I2, switch is I3, rom is F0, ram is F1" ] ||
        fail "$(cat "$work/err")"
    [ "$(wc -l <"$work/err")" -eq 2 ] &&
        tail -n 1 "$work/err" | grep -qxE 'plakit: select.pla: 2 terms, the fewest possible; 46 of the 48 left, polarity H[HL]HHHHHH' ||
        fail "$(cat "$work/err")"
    run compare select.pla select.jed
    expect_done
    [ "$(cat "$work/out")" = "select.pla and select.jed: the same logic wherever select.pla cares" ] ||
        fail "$(cat "$work/out")"
    # Each cared word by hand: rom (F0) high at 1110 (I0-I2 high, I3 low) and low where
    # any of I0-I2 is low, whatever the inputs the design has no column for; ram (F1) high
    # where I0 is low, else low.
    "$plakit" image --wiring straight select.jed -o select.bin
    byte() { od -An -tu1 -j "$1" -N1 select.bin | tr -d ' '; }
    for word in 7 $((7 | 0x10)) $((7 | 0xFFF0)); do [ $(($(byte $word) & 3)) -eq 1 ] || fail "word $word"; done
    for word in 0 6 14 $((14 | 0x8000)); do [ $(($(byte $word) & 3)) -eq 2 ] || fail "word $word"; done
    for word in 1 3 11; do [ $(($(byte $word) & 3)) -eq 0 ] || fail "word $word"; done
    [ $(($(byte 15) & 2)) -eq 0 ] || fail "word 15"
    # A programming that differs at cared words is named there.
    "$plakit" equations select.jed | sed 's/^F0 = .*/F0 = I0 \& I1  # P0/' >wider.equations
    run compare select.pla wider.equations
    [ "$status" -eq 1 ] || fail "status $status"
    grep -qx '  F0: differs at 8192 of the 61440 input words that matter, from 0x0003 0x000B 0x0013 0x001B' "$work/out" ||
        fail "$(cat "$work/out")"
    grep -qx '  F1: the same' "$work/out" || fail "$(cat "$work/out")"
    grep -qx '  F2: free at every input word' "$work/out" || fail "$(cat "$work/out")"
    ;;
random_designs)
    # Random designs of each type, 22 to 46 rows, their columns shuffled: every cared word
    # of the programming found holds, by plakit's evaluator, and by Espresso for f and fd.
    have_espresso=true
    (need_espresso) >/dev/null || have_espresso=false
    espresso=$espresso_dir/espresso
    for seed in 1 2 3 4 5 6 7 8; do
        types=(f fd fr fdr)
        type=${types[seed % 4]}
        random_design "$seed" $((19 + 3 * seed)) "$type" >d$seed.pla
        run fit d$seed.pla -o d$seed.jed
        [ "$status" -eq 0 ] || fail "d$seed.pla: status $status: $(cat "$work/err")"
        run compare d$seed.pla d$seed.jed
        expect_done
        if $have_espresso && { [ "$type" = f ] || [ "$type" = fd ]; }; then
            espresso_agrees d$seed.pla d$seed.jed
        fi
    done
    # The peer tells a wrong programming: F0 replaced by a single input.
    if $have_espresso; then
        "$plakit" equations d4.jed | sed 's/^F0 = .*/F0 = I3/; /^F1 =/,$!{/^ *|/d}' | "$plakit" convert - --to jedec -o bad.jed
        named_pla bad.jed >bad.jed.pla
        "$espresso" -DPLAverify d4.pla bad.jed.pla 2>&1 | grep -q "compared equal" && fail "Espresso saw no difference"
    fi
    $have_espresso || skip "the programmings were checked by plakit; no Espresso for the peer's verdict"
    ;;
dont_care_needed)
    # 12 inputs, 2,048 rows: 16 terms with the don't-cares; without them none fits.
    parity_design fd 0 >free.pla
    run fit free.pla -o free.jed
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    grep -qx 'plakit: free.pla: 16 terms, the fewest possible; 32 of the 48 left, polarity [HL]HHHHHHH' "$work/err" ||
        fail "$(cat "$work/err")"
    grep -qx 'plakit: free.pla: columns 1-12 are I0-I11, column 13 is F0' "$work/err" ||
        fail "$(cat "$work/err")"
    run compare free.pla free.jed
    expect_done
    parity_design f 0 >fixed.pla
    run fit fixed.pla -o fixed.jed
    [ "$status" -eq 1 ] && tail -n 1 "$work/err" |
        grep -qxE 'plakit: fixed\.pla: no 82S100 programming meets this design: at least (6[4-9]|[7-9][0-9]) terms are needed, the array has 48.*' ||
        fail "status $status: $(cat "$work/err")"
    [ ! -e fixed.jed ] || fail "fixed.jed written"
    need_espresso
    parity_design fd 1 >free16.pla
    espresso_agrees free16.pla free.jed
    ;;
equations)
    # Equations of 60 products, numbered past 47 or not: the programming found is the
    # same logic; the same file is too large for the array as it is written.
    {
        echo "F0 = /I0 & /I1 & /I2 & /I3 & /I4 & /I5  # P0"
        for word in $(seq 1 59); do
            line="   |"
            for input in 0 1 2 3 4 5; do
                if [ $(((word >> input) & 1)) -eq 1 ]; then line+=" I$input &"; else line+=" /I$input &"; fi
            done
            [ $((word % 2)) -eq 0 ] && echo "${line% &}  # P$word" || echo "${line% &}"
        done
        printf '/F1 = I15\nF2 = 1\nF3 = 0\nF4 = 0\nF5 = 0\nF6 = 0\nF7 = 0\n# end\n'
    } >sixty.equations
    run fit sixty.equations -o sixty.jed
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    grep -qxE 'plakit: sixty.equations: [0-9]+ terms, the fewest possible; .*' "$work/err" || fail "$(cat "$work/err")"
    run compare sixty.jed sixty.equations
    expect_done
    [ "$(cat "$work/out")" = "sixty.jed and sixty.equations: the same logic" ] || fail "$(cat "$work/out")"
    run convert sixty.equations --to jedec -o refused.jed
    [ "$status" -eq 1 ] && [ ! -e refused.jed ] || fail "status $status"
    # --from forces the form: equations are no image.
    run fit --from image sixty.equations
    expect_error 1 "plakit: sixty.equations: $(wc -c <sixty.equations) bytes, not 65536: not an EPROM image"
    ;;
refused)
    # A design that contradicts itself, or is malformed, is refused with its place; nothing
    # is written.
    printf '.i 2\n.o 1\n.type fr\n1- 1\n-1 0\n' >both.pla
    run fit both.pla -o both.jed
    expect_error 1 "plakit: both.pla:5:4: F0 is 0 here and 1 at line 4, both at input word 0x0003"
    printf 'F0 = I1\n/F0 = I2\n' >twice.equations
    run fit twice.equations -o twice.jed
    expect_error_like 1 'plakit: twice\.equations:2:[0-9]+: .*F0.*'
    printf '.i 2\n.o 1\n.p 3\n11 1\n00 1\n' >cut.pla
    run fit cut.pla -o cut.jed
    expect_error 1 "plakit: cut.pla:3:4: .p 3 announces 3 rows, the file has 2 (is it cut short?)"
    printf '.i 17\n.o 1\n' >wide.pla
    run compare wide.pla wide.pla
    expect_error 2 "plakit: wide.pla:1:4: .i 17: the 82S100 has 1 to 16 inputs to hold a design's columns"
    # (Under an emulator, the harness keeps its own plakit beside the files.)
    [ "$(ls -A | grep -vx 'out\|err\|plakit' | sort | tr '\n' ' ')" = "both.pla cut.pla twice.equations wide.pla " ] ||
        fail "stray files: $(ls -A)"
    ;;
padded)
    # A JEDEC file padded to 64 KiB with NULs or Ctrl-Zs is JEDEC to compare and image alike;
    # a design padded so is a design to fit.
    "$plakit" jedec -o built-in.jed
    for pad in '\0' '\032'; do
        cp built-in.jed padded.jed
        head -c $((65536 - $(wc -c <built-in.jed))) /dev/zero | tr '\0' "$pad" >>padded.jed
        [ "$(wc -c <padded.jed)" -eq 65536 ] || fail "padding"
        run compare padded.jed built-in.jed
        expect_done
        [ "$(cat "$work/out")" = "padded.jed and built-in.jed: the same logic" ] || fail "$(cat "$work/out")"
    done
    "$plakit" image -o built-in.bin
    run compare built-in.bin padded.jed
    expect_done
    printf '.i 2\n.o 1\n11 1\n.e\n' >and.pla
    head -c $((65536 - 19)) /dev/zero >>and.pla
    run fit and.pla -o and.jed
    [ "$status" -eq 0 ] || fail "status $status: $(cat "$work/err")"
    run compare and.pla and.jed
    expect_done
    ;;
*)
    fail "no case $case_name"
    ;;
esac
