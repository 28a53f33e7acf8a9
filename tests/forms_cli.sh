#!/usr/bin/env bash
# Black-box tests of the forms a programming travels in (plakit convert, compare, --from),
# each in a fresh temporary folder, and the peer tools' verdicts on what plakit writes.
# Usage: forms_cli.sh CASE PLAKIT [EMULATOR...]
# A peer tool that is missing fails the case in CI (CI=true) and skips it (77) elsewhere.
set -euo pipefail

case_name=$1
plakit=$(realpath "$2")
shift 2
emulator=("$@")

programs=(plakit)
# shellcheck source=plakit_harness.sh
source "$(dirname "$0")/plakit_harness.sh"

need() {
    command -v "$1" >/dev/null && return 0
    [ "${CI:-}" != true ] || fail "$1 is missing (install it: bash tools/dependencies.sh test)"
    echo "skipped: no $1"
    exit 77
}

# A Berkeley PLA file of 48 random terms, every one live, and a random polarity: the
# array full, as jedutil's converter needs it to put the polarity fuses in their place.
random_pla() {
    awk -v seed="$1" 'BEGIN {
        srand(seed)
        printf ".i 16\n.o 8\n.phase "
        for (k = 0; k < 8; ++k) printf "%d", rand() < 0.5
        printf "\n.p 48\n"
        for (t = 0; t < 48; ++t) {
            row = ""
            for (j = 0; j < 16; ++j) { r = rand(); row = row (r < 0.15 ? "0" : r < 0.3 ? "1" : "-") }
            row = row " "
            one = int(rand() * 8)
            for (k = 0; k < 8; ++k) row = row ((k == one || rand() < 0.3) ? "1" : "0")
            print row
        }
        print ".e"
    }'
}

# The array's truth table, one lower-case hex byte a line for input words 0 to 65535,
# from plakit's image through the straight wiring: an independent path to the outputs.
truth_table() {
    "$plakit" image --wiring straight "$1" -o - | od -An -v -tx1 -w1 | tr -d ' '
}

# Two programmings to hold everything against: the built-in one and a full random one.
"$plakit" jedec -o built-in.jed
random_pla 16 >random.pla
"$plakit" convert random.pla --to jedec -o random.jed

case $case_name in
round_trips)
    # Each form written and read back: the same fuses for the forms that carry all of them
    # (JEDEC, the fuse file; the PLA file of a full array), the same logic and the same
    # terms for the equations and the table.
    for programming in built-in random; do
        "$plakit" convert $programming.jed --to fuses -o $programming.bin
        for form in jedec fuses pla equations table; do
            run convert $programming.jed --to $form -o $programming.$form
            expect_done
            run convert $programming.$form --to fuses -o back.bin
            expect_done
            run compare $programming.jed $programming.$form
            [ "$status" -eq 0 ] || fail "$programming.$form: status $status: $(cat "$work/out")"
            case $form in
            jedec | fuses) cmp -s back.bin $programming.bin || fail "$programming.$form: not the same fuses" ;;
            equations | table)
                "$plakit" convert $programming.$form --to $form -o again
                cmp -s again $programming.$form || fail "$programming.$form: not the same terms"
                ;;
            esac
        done
        # A full array's PLA file holds every fuse.
        [ $programming = built-in ] || "$plakit" convert random.pla --to fuses | cmp -s - random.bin ||
            fail "random.pla: not the same fuses"
    done
    # Both pair orders of the fuse file, and standard input and output.
    "$plakit" convert --to fuses --pairs true-first | "$plakit" convert - --pairs true-first --to table |
        "$plakit" convert - --to fuses | "$plakit" compare - built-in.jed >/dev/null || fail "true-first fuse file"
    "$plakit" convert --to fuses --pairs true-first | "$plakit" convert - --to fuses | cmp -s - built-in.bin &&
        fail "the pair order made no difference"
    ;;
recognised)
    # The form comes from the content, not from the name; --from forces it.
    "$plakit" convert --to pla -o looks-like.jed
    run equations looks-like.jed
    expect_done
    "$plakit" equations --from pla looks-like.jed | cmp -s - "$work/out" || fail "a PLA file named .jed was not read as PLA"
    for form in fuses pla equations table; do
        "$plakit" convert --to $form -o in.$form
        run convert --from $form in.$form --to jedec -o out.jed
        expect_done
        run convert --from jedec in.$form --to jedec
        [ "$status" -eq 1 ] || fail "$form forced to JEDEC: status $status"
    done
    run convert --from pla built-in.jed --to fuses
    [ "$status" -eq 1 ] && grep -q '^plakit: built-in.jed:' "$work/err" || fail "JEDEC forced to PLA: $(cat "$work/err")"
    # Every command that reads a programming takes every form.
    "$plakit" image -o builtin-image.bin
    "$plakit" convert --to table -o built-in.table
    run image built-in.table -o from-table.bin
    expect_done
    cmp -s from-table.bin builtin-image.bin || fail "image of the table"
    run verify --jedec built-in.table --from table builtin-image.bin
    expect_done
    # Equations without blanks are equations still.
    "$plakit" equations | tr -d ' ' >tight.equations
    run equations tight.equations
    expect_done
    "$plakit" equations | cmp -s - "$work/out" || fail "equations without blanks: $(head -n 2 "$work/out")"
    # A file of no form is told what it is, not what a JEDEC file lacks: an image (which
    # fit takes), nothing at all, or no form plakit reads.
    head -c 65536 /dev/zero >zero.bin
    for image in builtin-image.bin zero.bin; do
        run equations $image
        expect_error 1 "plakit: $image: 65536 bytes of no text form: an EPROM image, not a programming; plakit fit finds a programming that drives it"
    done
    : >empty.jed
    run image empty.jed -o never.bin
    expect_error 1 "plakit: empty.jed: an empty file: no programming in it"
    printf 'hello\n' >hello.txt
    run compare hello.txt built-in.table
    expect_error 2 "plakit: hello.txt: no form plakit reads: a JEDEC file (fields ended by *), a fuse file, a Berkeley PLA (.i), equations (F0 =) or a program table (term)"
    [ ! -e never.bin ] || fail "never.bin written"
    ;;
malformed)
    # Each form's faults: where, what, status 1, nothing written.
    printf '\0\0\7\210' >whole.bin
    head -c 241 /dev/zero >>whole.bin
    "$plakit" convert whole.bin --to jedec >/dev/null || fail "a fuse file of 245 bytes was refused"
    cat whole.bin whole.bin >long.bin
    head -c 240 whole.bin >cut.bin
    printf '\0\0\10\0' >count.bin
    head -c 241 /dev/zero >>count.bin
    printf '.i 16\n.o 8\n1--------------- 1000000x\n' >bad-output.pla
    printf '.i 8\n.o 8\n' >inputs.pla
    printf '.i 16\n.o 8\n.type fx\n' >type.pla
    printf '.i 16\n.o 8\n.phase 0101\n' >phase.pla
    printf '1--------------- 10000000\n.i 16\n' >early.pla
    random_pla 3 | sed 's/^\.p 48$/.p 49/; s/^\.e$/---------------- 00000001\n.e/' >too-many.pla
    printf '.i 16\n.o 8\n.xyz\n' >keyword.pla
    "$plakit" equations | sed '1s/I5/I16/' >input.equations
    "$plakit" equations | sed '2s/# P1/# P0/' >term.equations
    "$plakit" equations | sed '/^\/F7/d' >missing.equations
    "$plakit" equations | sed '1s/&  *I7/I7/' >and.equations
    "$plakit" equations --table | sed '2s/-HH/-XH/' >letter.table
    "$plakit" equations --table | sed '$d' >polarity.table
    "$plakit" equations --table | sed '3s/^P1 /P0 /' >twice.table
    while read -r line; do
        file=${line%%:*}
        run convert "$file" --to jedec -o out.jed
        expect_error 1 "plakit: $line"
        [ ! -e out.jed ] || fail "$file: something was written"
    done <<'TABLE'
long.bin: 490 bytes, but a fuse file of 1928 fuses has 245
cut.bin: 240 bytes, but a fuse file of 1928 fuses has 245
count.bin: byte 0: a fuse count of 2048, but the 82S100 has 1928
bad-output.pla:3:25: 'x' is not an output's 1, 0, - or ~
inputs.pla:1:4: .i 8: the 82S100 has 16 inputs
type.pla:3:7: .type fx: not f, fr, fd or fdr
phase.pla:3:8: .phase needs one 0 or 1 per output, 8 in all
early.pla:1:1: a term before .i 16 and .o 8
too-many.pla:53:1: a 49th term: the 82S100 has 48; plakit fit finds at most 48 for the same logic from its truth table
keyword.pla:3:1: .xyz: not a keyword this reader knows
input.equations:1:17: not an input number (0 to 15)
term.equations:2:6: P0 is I1 & I2 & I5 & /I6 & I7 & /I10 & I11 & I13 elsewhere, not I2 & I5 & I6 & I7 & /I10 & I11 & I13
missing.equations: no equation for F7
and.equations:1:25: 'I' after a product, where & or # or the end of the line belongs
letter.table:2:8: 'X' is not an input's H, L or -
polarity.table: no polarity row
twice.table:3:1: P0 a second time
TABLE
    ;;
convert_usage)
    run convert
    expect_error 2 "plakit: --to is required; try 'plakit convert --help'"
    run convert --to pdf
    expect_error 2 "plakit: --to: pdf not in {jedec,fuses,pla,equations,table,verilog,vhdl}; try 'plakit convert --help'"
    run convert --to verilog --name 9lives
    [ "$status" -eq 2 ] && grep -q "^plakit: .*not a name.*; try 'plakit convert --help'$" "$work/err" ||
        fail "a bad name: status $status, $(cat "$work/err")"
    run convert --to verilog --name my_pla
    expect_done
    grep -q '^module my_pla (' "$work/out" || fail "the module is not named"
    run image --from png
    expect_error 2 "plakit: --from: png not in {jedec,fuses,pla,equations,table}; try 'plakit image --help'"
    ;;
compare)
    # Real differences, each named: one polarity fuse, the other pair order, one term
    # changed; an image against a programming; trouble is status 2.
    run compare built-in.jed built-in.jed
    expect_done
    [ "$(cat "$work/out")" = "built-in.jed and built-in.jed: the same logic" ] || fail "$(cat "$work/out")"
    "$plakit" convert --to table | sed '$s/HLLLLLLL/HLLHLLLL/' >f3.table
    run compare built-in.jed f3.table
    [ "$status" -eq 1 ] || fail "polarity: status $status"
    grep -qx '  F3: inverted, at every input word: polarity fuse 1923' "$work/out" || fail "$(cat "$work/out")"
    grep -qx '  F2: the same' "$work/out" || fail "$(cat "$work/out")"
    grep -qx '  polarity: 1923' "$work/out" || fail "$(cat "$work/out")"
    "$plakit" jedec --pairs true-first -o true-first.jed
    run compare built-in.jed true-first.jed
    [ "$status" -eq 1 ] || fail "pair order: status $status"
    grep -qx '  every input inverted: the same logic with the other pair order (--pairs)' "$work/out" ||
        fail "$(cat "$work/out")"
    run compare --pairs true-first true-first.jed built-in.jed
    [ "$status" -eq 1 ] || fail "pair order on both sides: status $status"
    # P30 (F0 = ... | I0) made to need I1 too: F0 differs where I0 is high and I1 low,
    # unless another of F0's terms holds, and P30's true fuse of I1 is the one fuse changed.
    "$plakit" equations | sed 's/^   | I0  # P30$/   | I0 \& I1  # P30/' >p30.equations
    run compare built-in.jed p30.equations
    [ "$status" -eq 1 ] || fail "one term: status $status"
    grep -qE '^  F0: differs at [0-9]+ of 65536 input words, from 0x0001 0x0005 0x0009 0x000D$' "$work/out" ||
        fail "$(cat "$work/out")"
    grep -qx '  P30: 1203' "$work/out" || fail "$(cat "$work/out")"
    # An image against its programming, through each wiring.
    "$plakit" image -o adapter.bin
    "$plakit" image --wiring straight -o straight.bin
    run compare adapter.bin built-in.jed
    expect_done
    run compare --wiring straight built-in.jed straight.bin
    expect_done
    run compare adapter.bin straight.bin
    [ "$status" -eq 1 ] || fail "two wirings: status $status"
    run compare missing.jed built-in.jed
    expect_error 2 "plakit: missing.jed: No such file or directory"
    run compare - - <built-in.jed
    expect_error 2 "plakit: A and B cannot both be standard input; try 'plakit compare --help'"
    ;;
peer_jedutil)
    need jedutil
    # jedutil turns our JEDEC file into our fuse file, and our fuse file into a JEDEC
    # file that reads to the same fuses.
    for programming in built-in random; do
        "$plakit" convert $programming.jed --to fuses -o ours.bin
        jedutil -convert $programming.jed theirs.bin >/dev/null || fail "jedutil refused $programming.jed"
        cmp -s ours.bin theirs.bin || fail "$programming: jedutil's fuse file differs from ours"
        jedutil -convert ours.bin theirs.jed >/dev/null || fail "jedutil refused our fuse file"
        "$plakit" convert theirs.jed --to fuses | cmp -s - ours.bin || fail "$programming: jedutil's JEDEC file reads differently"
    done
    # jedutil turns our PLA file into our fuse file. It places the .phase fuses right after
    # the last term it reads, so only a file of 48 terms puts them where the array has them.
    for seed in 16 17 18; do
        random_pla $seed >given.pla
        "$plakit" convert given.pla --to pla -o ours.pla
        "$plakit" convert given.pla --to fuses -o ours.bin
        jedutil -convert ours.pla theirs.bin 1928 >/dev/null || fail "jedutil refused our PLA file"
        cmp -s ours.bin theirs.bin || fail "seed $seed: jedutil's fuses from our PLA file differ from ours"
    done
    ;;
peer_verilog)
    need iverilog
    need vvp
    need yosys
    for programming in built-in random; do
        "$plakit" convert $programming.jed --to verilog -o pla.v
        yosys -q -p 'read_verilog pla.v; hierarchy -check -top pla_82s100; proc; check -assert' >yosys.log 2>&1 ||
            fail "$programming: yosys: $(cat yosys.log)"
        ports=$(for j in $(seq 0 15); do printf '.I%d(w[%d]), ' "$j" "$j"; done
            for k in $(seq 0 7); do printf '.F%d(f[%d])%s' "$k" "$k" "$([ "$k" -lt 7 ] && echo ', ')"; done)
        cat >bench.v <<VERILOG
module bench;
    reg [15:0] w;
    wire [7:0] f;
    integer i, out;
    pla_82s100 dut($ports);
    initial begin
        out = \$fopen("sim.txt", "w");
        for (i = 0; i < 65536; i = i + 1) begin
            w = i;
            #1 \$fdisplay(out, "%h", f);
        end
        \$fclose(out);
        \$finish;
    end
endmodule
VERILOG
        iverilog -Wall -o sim pla.v bench.v 2>iverilog.log || fail "$programming: iverilog: $(cat iverilog.log)"
        vvp -n sim >/dev/null || fail "$programming: vvp failed"
        truth_table $programming.jed | cmp -s - sim.txt || fail "$programming: the Verilog's outputs differ from the array's"
    done
    ;;
peer_vhdl)
    need ghdl
    for programming in built-in random; do
        "$plakit" convert $programming.jed --to vhdl -o pla.vhd
        ports=$(for j in $(seq 0 15); do printf 'I%d => w(%d), ' "$j" "$j"; done
            for k in $(seq 0 7); do printf 'F%d => f(%d)%s' "$k" "$k" "$([ "$k" -lt 7 ] && echo ', ')"; done)
        cat >bench.vhd <<VHDL
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use std.textio.all;

entity bench is
end entity bench;

architecture simulation of bench is
    signal w : std_logic_vector(15 downto 0);
    signal f : std_logic_vector(7 downto 0);
begin
    dut : entity work.pla_82s100 port map ($ports);
    process
        file out_file : text open write_mode is "sim.txt";
        variable text_line : line;
    begin
        for i in 0 to 65535 loop
            w <= std_logic_vector(to_unsigned(i, 16));
            wait for 1 ns;
            write(text_line, to_hstring(f));
            writeline(out_file, text_line);
        end loop;
        wait;
    end process;
end architecture simulation;
VHDL
        ghdl -a --std=08 pla.vhd bench.vhd 2>ghdl.log || fail "$programming: ghdl: $(cat ghdl.log)"
        ghdl -e --std=08 bench 2>ghdl.log || fail "$programming: ghdl: $(cat ghdl.log)"
        ghdl -r --std=08 bench 2>ghdl.log || fail "$programming: ghdl: $(cat ghdl.log)"
        truth_table $programming.jed | cmp -s - <(tr 'A-F' 'a-f' <sim.txt) ||
            fail "$programming: the VHDL's outputs differ from the array's"
    done
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok: $case_name"
