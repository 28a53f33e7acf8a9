#!/usr/bin/env bash
# Black-box tests of how strictly, and how kindly, plakit reads what a user hands it: no
# input written over through standard output, files cut short, control bytes in messages,
# byte order marks, UTF-16 and CR line ends, the names HDL tools refuse, JEDEC files other
# tools write, devices as outputs. Each case runs in a fresh temporary folder.
# Usage: strict_cli.sh CASE PLAKIT [EMULATOR...]
set -euo pipefail

case_name=$1
plakit=$(realpath "$2")
shift 2
emulator=("$@")

programs=(plakit)
# shellcheck source=plakit_harness.sh
source "$(dirname "$0")/plakit_harness.sh"

# Runs plakit through the shell's `$1` redirection of standard output onto file $2 (>> or
# 1<>); its status goes to $status, its standard error to $work/err.
run_onto() {
    local redirection=$1 file=$2
    shift 2
    status=0
    case $redirection in
    '>>') "$plakit" "$@" >>"$file" 2>"$work/err" || status=$? ;;
    '1<>') "$plakit" "$@" 1<>"$file" 2>"$work/err" || status=$? ;;
    esac
    lf_line_ends
}

# The files of the folder, one line.
folder() {
    ls -A | grep -vxE 'out|err|plakit' | sort | tr '\n' ' '
}

"$plakit" jedec -o x.jed
cp x.jed x.jedec
"$plakit" convert --to pla -o x.pla
"$plakit" convert --to equations -o x.equations
"$plakit" convert --to table -o x.table
"$plakit" wiring -o x.wiring
"$plakit" convert x.jed --to fuses -o x.bin

case $case_name in
stdout_is_input)
    # Standard output that is an input file, appended to or opened in place: refused before
    # a byte is written, with status 1 (verify and compare: 2, their trouble). wine gives a
    # handle inherited as standard output, as standard input, no volume serial number.
    [ ${#emulator[@]} -eq 0 ] || skip "wine cannot tell standard output's file"
    "$plakit" image -o dump.bin
    cp x.jed kept.jed
    cp dump.bin kept.bin
    for redirection in '>>' '1<>'; do
        run_onto "$redirection" x.jed convert x.jed --to pla
        expect_error 1 "plakit: standard output: the same file as the input x.jed: not written"
        run_onto "$redirection" x.jed equations x.jed
        expect_error 1 "plakit: standard output: the same file as the input x.jed: not written"
        run_onto "$redirection" x.jed image x.jed -o -
        expect_error 1 "plakit: standard output: the same file as the input x.jed: not written"
        run_onto "$redirection" dump.bin verify dump.bin
        expect_error 2 "plakit: standard output: the same file as the input dump.bin: not written"
        run_onto "$redirection" x.jed verify dump.bin --jedec x.jed
        expect_error 2 "plakit: standard output: the same file as the input x.jed: not written"
        run_onto "$redirection" x.jed compare x.pla x.jed
        expect_error 2 "plakit: standard output: the same file as the input x.jed: not written"
        run_onto "$redirection" x.wiring image --wiring x.wiring -o -
        expect_error 1 "plakit: standard output: the same file as the input x.wiring: not written"
        run_onto "$redirection" dump.bin fit dump.bin
        expect_error 1 "plakit: standard output: the same file as the input dump.bin: not written"
        cmp -s x.jed kept.jed || fail "$redirection: the JEDEC file was written into"
        cmp -s dump.bin kept.bin || fail "$redirection: the dump was written into"
    done
    # Through standard input too.
    if [ ${#emulator[@]} -eq 0 ]; then
        status=0
        "$plakit" convert - --to pla <x.jed >>x.jed 2>"$work/err" || status=$?
        expect_error 1 "plakit: standard output: the same file as standard input: not written"
        cmp -s x.jed kept.jed || fail "standard input: the JEDEC file was written into"
    fi
    # Another file, appended to, is still written.
    cp x.pla out.pla
    run_onto '>>' out.pla convert x.jed --to pla
    expect_done
    cat x.pla x.pla | cmp -s - out.pla || fail "appending to another file"
    ;;
cut_short)
    # A Berkeley PLA file with fewer rows than its .p announces is cut short.
    rows=$(grep -c '^[01-]' x.pla)
    p_line=$(grep -n '^\.p ' x.pla | cut -d: -f1)
    head -n 20 x.pla >cut.pla
    run convert cut.pla --to jedec -o out.jed
    expect_error 1 "plakit: cut.pla:$p_line:4: .p announces $rows rows, but the file has $((20 - p_line)): is it cut short?"
    sed '/^\.p /s/.*/.p 99/' x.pla >more.pla
    run convert more.pla --to jedec -o out.jed
    expect_error 1 "plakit: more.pla:$p_line:4: .p announces 99 rows, but the file has $rows: is it cut short?"
    sed '/^\.p /s/.*/.p 1/' x.pla >fewer.pla
    run convert fewer.pla --to jedec -o out.jed
    expect_error 1 "plakit: fewer.pla:$p_line:4: .p announces 1 row, but the file has $rows"
    # .e ends the file: what follows is not counted.
    printf '.i 16\n.o 8\n.p 1\n---------------- 10000000\n.e\n---------------- 01000000\n' >ended.pla
    run convert ended.pla --to table
    expect_done
    # Two .phase lines, or two .p lines, are refused with the first one's place.
    phase_line=$(grep -n '^\.phase ' x.pla | cut -d: -f1)
    sed '/^\.phase /p' x.pla >phases.pla
    run convert phases.pla --to jedec -o out.jed
    expect_error 1 "plakit: phases.pla:$((phase_line + 1)):8: .phase a second time (first on line $phase_line)"
    sed '/^\.p /p' x.pla >counts.pla
    run convert counts.pla --to jedec -o out.jed
    expect_error 1 "plakit: counts.pla:$((p_line + 1)):1: .p a second time (first on line $p_line)"
    [ "$(folder)" = "counts.pla cut.pla ended.pla fewer.pla more.pla phases.pla x.bin x.equations x.jed x.jedec x.pla x.table x.wiring " ] ||
        fail "stray files: $(folder)"
    ;;
equations_end)
    # The equations end with "# end": cut at any line break inside the last equation (after
    # any of its products, or just before the end line), they are read with one warning,
    # whatever the command, the status as before; whole, they round-trip without it.
    warning='warning: no "# end" line: a file cut short inside its last equation reads without error; add the line after the last equation'
    [ "$(tail -n 1 x.equations)" = "# end" ] || fail "the last line: $(tail -n 1 x.equations)"
    "$plakit" image -o built-in.bin
    run equations x.equations
    expect_done
    cmp -s "$work/out" x.equations || fail "the equations did not come back the same"
    run image x.equations -o whole.bin
    expect_done
    cmp -s whole.bin built-in.bin || fail "the whole equations give another image"
    lines=$(grep -c '' x.equations)
    f7=$(grep -n '^/\?F7 = ' x.equations | cut -d: -f1)
    for ((k = 1; k <= lines - f7; ++k)); do
        head -n -$k x.equations >cut.equations
        run image cut.equations -o cut.bin
        expect_error 0 "plakit: cut.equations: $warning"
        # Only the cut just before the end line keeps the logic: the others lost products.
        if [ $k -eq 1 ]; then cmp -s cut.bin built-in.bin; else ! cmp -s cut.bin built-in.bin; fi ||
            fail "cut $k lines short: the image"
    done
    head -n -1 x.equations >cut.equations
    run equations cut.equations
    expect_error 0 "plakit: cut.equations: $warning"
    cmp -s "$work/out" x.equations || fail "equations of the file cut: not the whole equations"
    run convert cut.equations --to jedec -o cut.jed
    expect_error 0 "plakit: cut.equations: $warning"
    "$plakit" convert x.equations --to jedec | cmp -s - cut.jed || fail "convert: another JEDEC file"
    run verify built-in.bin --jedec cut.equations
    expect_error 0 "plakit: cut.equations: $warning"
    run compare x.jed cut.equations
    expect_error 0 "plakit: cut.equations: $warning"
    # A failure after the file was read comes after its warning.
    run compare cut.equations missing.jed
    [ "$status" -eq 2 ] && [ "$(head -n 1 "$work/err")" = "plakit: cut.equations: $warning" ] &&
        [ "$(wc -l <"$work/err")" -eq 2 ] && sed -n 2p "$work/err" | grep -q '^plakit: missing\.jed: ' ||
        fail "status $status, stderr: $(cat "$work/err")"
    # A design written by hand, without the line: fitted, with the warning first.
    printf 'F0 = I0 & I1\n   | /I2\n/F1 = I3\nF2 = 0\nF3 = 0\nF4 = 0\nF5 = 0\nF6 = 0\nF7 = I4 & /I5\n' >hand.equations
    run fit hand.equations -o hand.jed
    [ "$status" -eq 0 ] && [ "$(wc -l <"$work/err")" -eq 2 ] &&
        [ "$(head -n 1 "$work/err")" = "plakit: hand.equations: $warning" ] &&
        grep -qx 'plakit: hand.equations: 4 terms, the fewest possible; .*' "$work/err" ||
        fail "status $status, stderr: $(cat "$work/err")"
    # Blank lines and comments may follow the end line; anything else is refused where it
    # stands, and nothing is written.
    { cat x.equations; printf '\n# checked by hand\n'; } >comment.equations
    run convert comment.equations --to jedec -o comment.jed
    expect_done
    "$plakit" convert x.equations --to jedec | cmp -s - comment.jed || fail "comments after the end line: another JEDEC file"
    { cat x.equations; printf '\n   | I3  # P40\n'; } >after.equations
    run convert after.equations --to jedec -o after.jed
    expect_error 1 "plakit: after.equations:$((lines + 2)):4: '|' after the end line (line $lines), where only blank lines and comments belong"
    run fit after.equations -o after.jed
    expect_error 1 "plakit: after.equations:$((lines + 2)):4: '|' after the end line (line $lines), where only blank lines and comments belong"
    [ "$(folder)" = "after.equations built-in.bin comment.equations comment.jed cut.bin cut.equations cut.jed hand.equations hand.jed whole.bin x.bin x.equations x.jed x.jedec x.pla x.table x.wiring " ] ||
        fail "stray files: $(folder)"
    ;;
control_bytes)
    # A file's control bytes reach the terminal through no message: each is written as
    # <byte 0xNN>, a NUL among them.
    printf '.i 16\n.o 8\n.x\033]0;owned\007\033[2J\n' >title.pla
    run convert title.pla --to jedec -o out.jed
    expect_error 1 "plakit: title.pla:3:1: .x<byte 0x1B>]0;owned<byte 0x07><byte 0x1B>[2J: not a keyword this reader knows"
    printf '.i 16\n.o 8\n.type f\000d\n' >zero.pla
    run convert zero.pla --to jedec -o out.jed
    expect_error 1 "plakit: zero.pla:3:7: .type f<byte 0x00>d: not f, fr, fd or fdr"
    printf 'A0\033[2J I15\n' >screen.wiring
    run wiring --wiring screen.wiring
    expect_error 1 "plakit: screen.wiring:1:1: 'A0<byte 0x1B>[2J' is not an EPROM line (A0-A15 or D0-D7)"
    printf 'A0 I1\0005\n' >zero.wiring
    run wiring --wiring zero.wiring
    expect_error 1 "plakit: zero.wiring:1:4: 'I1<byte 0x00>5' is not an array input (I0-I15, /I0-/I15 inverted)"
    printf 'A0 I15 \033[31mred\n' >after.wiring
    run wiring --wiring after.wiring
    expect_error 1 "plakit: after.wiring:1:8: '<byte 0x1B>[31mred' after the pin: one line and one pin a line"
    [ ! -e out.jed ] || fail "something was written"
    ;;
names_escaped)
    # Names a file gives (.ilb, .ob) and file names reach the terminal escaped as a file's
    # contents do, a NUL among them; UTF-8 names stay as they are.
    printf '.i 2\n.o 1\n.ilb a b\n.ob \033]0;owned\007x\000y\n11 1\n.e\n' >title.pla
    run fit title.pla -o title.jed
    [ "$status" -eq 0 ] && [ "$(head -n 1 "$work/err")" = "plakit: title.pla: a is I0, b is I1, <byte 0x1B>]0;owned<byte 0x07>x<byte 0x00>y is F0" ] ||
        fail "status $status: $(cat -v "$work/err")"
    [ ${#emulator[@]} -eq 0 ] || skip "file names with control characters, which Windows refuses"
    "$plakit" image -o image.bin
    cp image.bin $'read\nforged.bin: matches the image'
    run verify $'read\nforged.bin: matches the image'
    expect_done
    [ "$(cat "$work/out")" = "read<byte 0x0A>forged.bin: matches the image: matches the image" ] || fail "$(cat -v "$work/out")"
    run compare image.bin $'read\nforged.bin: matches the image'
    [ "$(head -n 1 "$work/out")" = "image.bin and read<byte 0x0A>forged.bin: matches the image: the same logic" ] ||
        fail "$(cat -v "$work/out")"
    run equations $'\033]0;owned\007.jed'
    expect_error 1 "plakit: <byte 0x1B>]0;owned<byte 0x07>.jed: No such file or directory"
    run jedec -o $'\033[2J/out.jed'
    expect_error 1 "plakit: <byte 0x1B>[2J/out.jed: No such file or directory"
    run equations 'für.jed'
    expect_error 1 "plakit: für.jed: No such file or directory"
    run image title.jed $'\033[2J'
    expect_error 2 "plakit: The following argument was not expected: <byte 0x1B>[2J; try 'plakit image --help'"
    ;;
byte_order_mark)
    # Notepad's "UTF-8 with BOM": every text form reads as without it, and the places in
    # messages count from after it.
    for form in jedec pla equations table; do
        printf '\357\273\277' | cat - x.$form >bom.$form
        run convert bom.$form --to fuses -o bom.bin
        expect_done
        "$plakit" convert x.$form --to fuses | cmp -s - bom.bin || fail "bom.$form: not the same fuses"
    done
    printf '\357\273\277' | cat - x.wiring >bom.wiring
    run wiring --wiring bom.wiring
    expect_done
    cmp -s "$work/out" x.wiring || fail "bom.wiring: not the same wiring"
    printf '\357\273\277.i 16\n.o 8\n.x\n' >place.pla
    run convert place.pla --to jedec -o out.jed
    expect_error 1 "plakit: place.pla:3:1: .x: not a keyword this reader knows"
    printf '\357\273\277B0 I1\n' >place.wiring
    run wiring --wiring place.wiring
    expect_error 1 "plakit: place.wiring:1:1: 'B0' is not an EPROM line (A0-A15 or D0-D7)"
    ;;
utf16)
    # What Windows PowerShell 5.1's `>` writes: named for what it is, whatever the form.
    command -v iconv >/dev/null || skip "no iconv"
    for form in jedec pla equations table wiring; do
        iconv -f UTF-8 -t UTF-16 x.$form >wide.$form
        iconv -f UTF-8 -t UTF-16BE x.$form >big.$form
        for file in wide.$form big.$form; do
            if [ $form = wiring ]; then
                run wiring --wiring $file
                expect_error 1 "plakit: $file:1:1: UTF-16 text: save it as UTF-8"
            else
                run convert $file --to jedec -o out.jed
                expect_error 1 "plakit: $file: UTF-16 text: save it as UTF-8"
                run convert $file --from $form --to jedec -o out.jed
                expect_error 1 "plakit: $file: UTF-16 text: save it as UTF-8"
            fi
        done
    done
    [ ! -e out.jed ] || fail "something was written"
    ;;
cr_lines)
    # Lines that end in CR alone, as old Macintosh files have them, in every text form.
    etx=$(printf '\003')
    for form in jedec pla equations table; do
        # The JEDEC file's transmission checksum counts the line ends: 0000, not computed.
        tr -d '\r' <x.$form | tr '\n' '\r' | sed "s/${etx}..../${etx}0000/" >mac.$form
        run convert mac.$form --to fuses -o mac.bin
        expect_done
        "$plakit" convert x.$form --to fuses | cmp -s - mac.bin || fail "mac.$form: not the same fuses"
    done
    tr '\n' '\r' <x.wiring >mac.wiring
    run wiring --wiring mac.wiring
    expect_done
    cmp -s "$work/out" x.wiring || fail "mac.wiring: not the same wiring"
    # The places in messages count CR lines, and CR LF is one line end.
    printf '.i 16\r.o 8\r\n\r.x\r' >place.pla
    run convert place.pla --to jedec -o out.jed
    expect_error 1 "plakit: place.pla:4:1: .x: not a keyword this reader knows"
    grep -v '^A7 ' x.wiring | tr '\n' '\r' >missing.wiring
    run wiring --wiring missing.wiring
    expect_error 1 "plakit: missing.wiring:$(($(grep -vc '^A7 ' x.wiring) + 1)):1: A7 is not named: each of A0-A15 and D0-D7 needs a line"
    ;;
reserved_names)
    # A name that iverilog or ghdl refuses is refused, and the message says why.
    while read -r name reason; do
        run convert --to verilog --name "$name" -o out.v
        expect_error 2 "plakit: --name: $reason; try 'plakit convert --help'"
        [ ! -e out.v ] || fail "$name: something was written"
    done <<'TABLE'
module a reserved word of Verilog, which no module may take as its name
wire a reserved word of Verilog, which no module may take as its name
begin a reserved word of Verilog, which no module may take as its name
and a reserved word of Verilog, which no module may take as its name
entity a reserved word of VHDL (in any case), which no entity may take as its name
Entity a reserved word of VHDL (in any case), which no entity may take as its name
SIGNAL a reserved word of VHDL (in any case), which no entity may take as its name
IEEE a name the VHDL file uses itself (ieee, std, work, std_logic, in any case)
TABLE
    # Verilog matches case, VHDL does not: MODULE names both.
    run convert --to verilog --name MODULE -o out.v
    expect_done
    ;;
reserved_names_peers)
    # The peers' verdicts: a name plakit takes, iverilog, yosys and ghdl take; a name it
    # refuses, one of them refuses (yosys reading SystemVerilog).
    if ! command -v iverilog >/dev/null || ! command -v ghdl >/dev/null || ! command -v yosys >/dev/null; then
        [ "${CI:-}" != true ] || fail "iverilog, ghdl or yosys is missing (install them: bash tools/dependencies.sh test)"
        skip "no iverilog, ghdl or yosys for the peers' verdicts"
    fi
    "$plakit" convert --to verilog --name placeholder -o placeholder.v
    "$plakit" convert --to vhdl --name placeholder -o placeholder.vhd
    for name in module Module wire logic Logic bit Entity SIGNAL Process IEEE std work Std_Logic numeric_std \
        Generate I0 pla_82s100; do
        sed "s/placeholder/$name/g" placeholder.v >"$name.v"
        sed "s/placeholder/$name/g" placeholder.vhd >"$name.vhd"
        refused_by=()
        # iverilog makes its output executable: never /dev/null, which root would change.
        iverilog -o "$name.vvp" "$name.v" >/dev/null 2>&1 || refused_by+=(iverilog)
        yosys -q -p "read_verilog -sv $name.v" >/dev/null 2>&1 || refused_by+=(yosys)
        rm -f ./*.cf
        ghdl -a --std=08 "$name.vhd" >/dev/null 2>&1 || refused_by+=(ghdl)
        run convert --to verilog --name "$name" -o /dev/null
        if [ "$status" -eq 0 ] && [ ${#refused_by[@]} -gt 0 ]; then
            fail "$name: taken, but ${refused_by[*]} refuses it"
        elif [ "$status" -ne 0 ] && [ ${#refused_by[@]} -eq 0 ]; then
            fail "$name: refused ($(cat "$work/err")), but iverilog, yosys and ghdl take it"
        fi
    done
    ;;
jedec_leniency)
    # What jedutil reads, plakit reads: ETX without a transmission checksum, text after the
    # checksum, an empty field.
    etx=$(printf '\003')
    sed "s/${etx}.*/${etx}/" x.jed >no-sum.jed
    printf 'Printed by the programmer\r\n' | cat x.jed - >trailer.jed
    sed 's/^QP28\*/QP28**/' x.jed | sed "s/${etx}.*/${etx}0000/" >empty.jed
    for file in no-sum.jed trailer.jed empty.jed; do
        cmp -s $file x.jed && fail "$file: no change made"
        run convert $file --to fuses -o back.bin
        expect_done
        cmp -s back.bin x.bin || fail "$file: not the same fuses"
        # jedutil's verdict: it reads the file, to the same fuse file.
        if command -v jedutil >/dev/null; then
            jedutil -convert $file theirs.bin >/dev/null 2>&1 || fail "jedutil refuses $file: the case tests nothing"
            cmp -s theirs.bin x.bin || fail "$file: jedutil reads other fuses"
        elif [ "${CI:-}" = true ]; then
            fail "jedutil is missing (install it: bash tools/dependencies.sh test)"
        fi
    done
    # Duplicates that conflict are refused with both places.
    sed 's/^F0\*/F0*\r\nF1*/' x.jed | sed "s/${etx}.*/${etx}0000/" >defaults.jed
    run convert defaults.jed --to fuses -o back.bin
    expect_error 1 "plakit: defaults.jed:5:1: F1 here, but F0 at line 4, column 1: the F field gives the state of unlisted fuses once"
    sed 's/^\(C[0-9A-F]*\*\)/C0000*\r\n\1/' x.jed | sed "s/${etx}.*/${etx}0000/" >sums.jed
    line=$(grep -n '^C[0-9A-F]' x.jed | cut -d: -f1)
    run convert sums.jed --to fuses -o back.bin
    expect_error_like 1 "plakit: sums.jed:$((line + 1)):1: fuse checksum [0-9A-F]{4} here, but 0000 at line $line, column 1: one C field gives it"
    ;;
arguments_order)
    # The arguments left over, in the order given.
    run equations x.jed -o out.txt
    expect_error 2 "plakit: The following arguments were not expected: -o out.txt; try 'plakit equations --help'"
    run jedec first second third
    expect_error 2 "plakit: The following arguments were not expected: first second third; try 'plakit jedec --help'"
    run jedec extra
    expect_error 2 "plakit: The following argument was not expected: extra; try 'plakit jedec --help'"
    [ ! -e out.txt ] || fail "something was written"
    ;;
device_outputs)
    # Windows' devices are written to as they are: NUL, and CON (the console, which wine
    # gives a program run in a terminal: script(1) makes one).
    [ ${#emulator[@]} -gt 0 ] || skip "Windows' device names, under wine"
    run jedec -o NUL
    expect_done
    [ ! -s "$work/out" ] || fail "NUL: standard output written"
    if command -v script >/dev/null; then
        status=0
        script -qec "$(printf '%q ' "$plakit" jedec -o CON)" /dev/null >console.txt 2>&1 </dev/null || status=$?
        [ "$status" -eq 0 ] || fail "CON: status $status: $(cat console.txt)"
        grep -q 'QF1928\*' console.txt || fail "CON: the JEDEC file did not reach the console: $(cat console.txt)"
        rm console.txt
    fi
    [ "$(folder)" = "x.bin x.equations x.jed x.jedec x.pla x.table x.wiring " ] || fail "stray files: $(folder)"
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok: $case_name"
