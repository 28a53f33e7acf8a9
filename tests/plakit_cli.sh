#!/usr/bin/env bash
# Black-box tests of plakit, each in a fresh temporary folder, as a user runs it.
# Usage: plakit_cli.sh CASE PLAKIT PLA_EPROM [EMULATOR...]
# Programs built for Windows run under the emulator given after them (wine).
set -euo pipefail

case_name=$1
plakit=$(realpath "$2")
pla_eprom=$(realpath "$3")
shift 3
emulator=("$@")

programs=(plakit pla_eprom)
# shellcheck source=plakit_harness.sh
source "$(dirname "$0")/plakit_harness.sh"

# The system's words for a file where a folder is: strerror's, or those of Windows and wine.
if [ ${#emulator[@]} -eq 0 ]; then
    folder_in_the_way="Is a directory"
else
    folder_in_the_way="Access (is )?denied"
fi

# gzip's trailer holds the CRC-32 (ISO-HDLC) of the data, least significant byte first.
crc32_of() {
    gzip -c <"$1" | tail -c 8 | od -An -tx1 -N4 | tr -d ' \n'
}

# The image pla-eprom writes, whose CRC-32 is 0x0926A7A7.
expect_builtin_image() {
    cmp -s "$1" "$work/builtin.bin" || fail "$1 is not pla-eprom's image"
}

mkdir run && cd run
(cd "$work" && "$pla_eprom" >/dev/null && mv 82S100_EPROM.bin builtin.bin)
[ "$(crc32_of "$work/builtin.bin")" = a7a72609 ] || fail "pla-eprom's image is not the known one"

case $case_name in
round_trip)
    # The JEDEC file of the built-in map gives pla-eprom's image, by file, by pipe and alone.
    run jedec -o built-in.jed
    expect_done
    run image built-in.jed -o from-file.bin
    expect_done
    expect_builtin_image from-file.bin
    "$plakit" jedec | "$plakit" image - -o - >piped.bin
    expect_builtin_image piped.bin
    run image
    expect_done
    expect_builtin_image 82S100_EPROM.bin
    ;;
pair_orders)
    # Written and read in the same order, the image is the same; read in the other order,
    # every input is inverted, so every address line is: the image comes out reversed.
    "$plakit" jedec --pairs true-first -o true-first.jed
    grep -q 'input pairs true-first' true-first.jed || fail "the file does not name its order"
    run image --pairs true-first true-first.jed -o same.bin
    expect_done
    expect_builtin_image same.bin
    run image true-first.jed -o other.bin
    expect_done
    perl -0777 -pe '$_ = reverse $_' "$work/builtin.bin" >reversed.bin
    cmp -s other.bin reversed.bin || fail "read in the other order, the image is not the reversed one"
    ;;
bad_file)
    # The place and the fault, status 1, and the old output left as it was.
    printf 'x*\nQF1928*\nF0*\nL0 0120*\n' >bad.jed
    head -c 1000 /dev/urandom >old.bin
    cp old.bin kept.bin
    run image bad.jed -o old.bin
    expect_error 1 "plakit: bad.jed:4:6: '2' is not a fuse state (0 or 1)"
    cmp -s old.bin kept.bin || fail "the old output was changed"
    run image missing.jed
    expect_error 1 "plakit: missing.jed: No such file or directory"
    head -c 1048577 /dev/zero >large.jed
    run equations large.jed
    expect_error 1 "plakit: large.jed: larger than 1024 KiB: refused"
    run equations - <bad.jed
    expect_error 1 "plakit: standard input:4:6: '2' is not a fuse state (0 or 1)"
    run image "" -o old.bin # an empty name is no file, not the built-in map
    [ "$status" -eq 1 ] && grep -q '^plakit: : ' "$work/err" || fail "status $status, stderr: $(cat "$work/err")"
    [ "$(ls -A | sort | tr '\n' ' ')" = "bad.jed kept.bin large.jed old.bin " ] || fail "stray files: $(ls -A)"
    ;;
output_fails)
    status=0
    "$plakit" jedec >/dev/full 2>"$work/err" || status=$?
    lf_line_ends
    expect_error 1 "plakit: standard output: No space left on device"
    mkdir folder.bin
    run image -o folder.bin
    expect_error_like 1 "plakit: folder\.bin: ($folder_in_the_way)"
    ;;
usage)
    # One line on stderr with the help to read, status 2; --help and --version everywhere.
    run
    expect_error_like 2 "plakit: a command is required: jedec, image, equations, fit, verify, convert, compare, wiring(, [a-z]+)*; try 'plakit --help'"
    run image --pairs backwards
    expect_error 2 "plakit: --pairs: backwards not in {complement-first,true-first}; try 'plakit image --help'"
    run equations a.jed b.jed
    expect_error 2 "plakit: The following argument was not expected: b.jed; try 'plakit equations --help'"
    [ ! -e 82S100_EPROM.bin ] || fail "a usage error wrote a file"
    for command in "" jedec image equations fit verify; do
        run $command --help
        expect_done
        grep -q "^Usage: plakit" "$work/out" || fail "plakit $command --help: $(head -1 "$work/out")"
        run $command --version
        expect_done
        grep -qxE 'plakit [0-9]+\.[0-9]+\.[0-9]+' "$work/out" || fail "plakit $command --version: $(cat "$work/out")"
    done
    ;;
equations)
    run equations
    expect_done
    [ "$(head -1 "$work/out")" = "F0 = I1 & I2 & I5 & /I6 & I7 & /I10 & I11 & I13  # P0" ] || fail "$(head -1 "$work/out")"
    [ "$(grep -c '^/F' "$work/out")" -eq 7 ] || fail "F1 to F7 are not all inverted"
    run equations --table
    expect_done
    [ "$(tail -1 "$work/out")" = "polarity                HLLLLLLL" ] || fail "$(tail -1 "$work/out")"
    ;;
fit_round_trip)
    # The built-in image fitted, written as JEDEC and imaged again: the same bytes, by
    # file, and by pipe in the other pair order. Terms and polarities on stderr.
    cp "$work/builtin.bin" image.bin
    run fit image.bin -o fitted.jed
    expect_error 0 "plakit: image.bin: 25 terms, the fewest possible; 23 of the 48 left, polarity HLLLLLLL"
    run image fitted.jed -o again.bin
    expect_done
    expect_builtin_image again.bin
    "$plakit" fit --pairs true-first - <image.bin 2>/dev/null | "$plakit" image --pairs true-first - -o - >piped.bin
    expect_builtin_image piped.bin
    ;;
fit_wirings)
    # The straight truth table and the adapter's image give the same programming's image.
    cp "$work/builtin.bin" image.bin
    "$plakit" image --wiring straight -o table.bin
    run fit --wiring straight table.bin -o from-table.jed
    expect_error 0 "plakit: table.bin: 25 terms, the fewest possible; 23 of the 48 left, polarity HLLLLLLL"
    run image from-table.jed -o adapter.bin
    expect_done
    expect_builtin_image adapter.bin
    # The adapter's image taken for a truth table is another function: its fit gives the
    # bytes back only through the straight wiring.
    run fit --wiring straight image.bin -o taken-straight.jed
    [ "$status" -eq 0 ] || fail "status $status, stderr: $(cat "$work/err")"
    "$plakit" image --wiring straight taken-straight.jed -o straight-again.bin
    expect_builtin_image straight-again.bin
    "$plakit" image taken-straight.jed -o through-adapter.bin
    ! cmp -s through-adapter.bin image.bin || fail "the wiring made no difference"
    ;;
fit_fails)
    # The parity of all 16 inputs needs 32,768 terms whatever the wiring: status 1, the
    # bound proven and the output that alone needs more, nothing written, the old file kept.
    perl -e 'print chr(unpack("%32b*", pack("n", $_)) % 2 ? 255 : 0) for 0 .. 65535' >parity.bin
    echo "an old file" >old.jed
    cp old.jed kept.jed
    run fit parity.bin -o old.jed
    expect_error 1 "plakit: parity.bin: no 82S100 programming drives this image: at least 32768 terms are needed, the array has 48; F0 alone needs at least 32768"
    cmp -s old.jed kept.jed || fail "the old file was changed"
    run fit parity.bin
    [ "$status" -eq 1 ] && [ ! -s "$work/out" ] || fail "status $status, or something written"
    head -c 65535 parity.bin >short.bin
    run fit short.bin
    expect_error 1 "plakit: short.bin: 65535 bytes, not 65536: not an EPROM image"
    cat parity.bin parity.bin >long.bin
    run fit long.bin -o long.jed
    expect_error 1 "plakit: long.bin: 131072 bytes, not 65536: not an EPROM image"
    run fit --wiring sideways parity.bin
    expect_error 1 "plakit: sideways: No such file or directory"
    [ "$(ls -A | sort | tr '\n' ' ')" = "kept.jed long.bin old.jed parity.bin short.bin " ] || fail "stray files: $(ls -A)"
    ;;
verify)
    # Each outcome as a user meets it: status 0 only for a match, the diagnosis last.
    cp "$work/builtin.bin" good.bin
    run verify good.bin
    expect_done
    [ "$(cat "$work/out")" = "good.bin: matches the image" ] || fail "$(cat "$work/out")"
    run verify - <good.bin
    expect_done
    [ "$(cat "$work/out")" = "standard input: matches the image" ] || fail "$(cat "$work/out")"
    perl -0777 -pe 's/(.)/chr(ord($1) & 0xF7)/gse' good.bin >d3.bin
    run verify d3.bin
    [ "$status" -eq 1 ] || fail "status $status for a stuck data line"
    [ "$(tail -1 "$work/out")" = "d3.bin: data line D3 stuck at 0" ] || fail "$(cat "$work/out")"
    [ "$(sed -n 2p "$work/out")" = "  0x0000: expected 0xBF, read 0xB7" ] || fail "$(cat "$work/out")"
    [ "$(grep -c '^  0x' "$work/out")" -eq 8 ] || fail "not the first 8 differences: $(cat "$work/out")"
    head -c 32768 good.bin >half.bin
    run verify half.bin
    [ "$status" -eq 1 ] || fail "status $status for half a dump"
    [ "$(cat "$work/out")" = "half.bin: 32768 bytes, expected 65536
half.bin: equals part 1 of 2 of the image, bytes 0x0000-0x7FFF" ] || fail "$(cat "$work/out")"
    # The programming of a JEDEC file, and the straight wiring.
    "$plakit" jedec -o built-in.jed
    run verify --jedec built-in.jed good.bin
    expect_done
    "$plakit" image --wiring straight -o straight.bin
    run verify --wiring straight straight.bin
    expect_done
    run verify straight.bin
    [ "$status" -eq 1 ] || fail "a straight image matches the adapter's"
    ;;
verify_errors)
    cp "$work/builtin.bin" good.bin
    "$plakit" jedec -o built-in.jed
    run verify - --jedec - <built-in.jed
    expect_error 2 "plakit: DUMP and --jedec cannot both be standard input; try 'plakit verify --help'"
    # Trouble is 2, as cmp has it, apart from a dump that differs (1).
    run verify missing.bin
    expect_error 2 "plakit: missing.bin: No such file or directory"
    printf 'x*\nQF1928*\nF0*\nL0 0120*\n' >bad.jed
    run verify --jedec bad.jed good.bin
    expect_error 2 "plakit: bad.jed:4:6: '2' is not a fuse state (0 or 1)"
    head -c 16777217 /dev/zero >huge.bin
    run verify huge.bin
    expect_error 2 "plakit: huge.bin: larger than 16384 KiB: refused"
    status=0
    "$plakit" verify good.bin >/dev/full 2>"$work/err" || status=$?
    lf_line_ends
    expect_error 2 "plakit: standard output: No space left on device"
    status=0
    "$plakit" verify good.bin >&- 2>"$work/err" || status=$?
    lf_line_ends
    expect_error_like 2 "plakit: standard output: .+"
    run verify
    expect_error 2 "plakit: DUMP is required; try 'plakit verify --help'"
    run verify --wiring sideways good.bin
    expect_error 2 "plakit: sideways: No such file or directory"
    [ ! -s "$work/out" ] || fail "output on a failure: $(cat "$work/out")"
    ;;
own_descriptors)
    # A name for one of plakit's own descriptors is written through it, where it stands:
    # the file the shell appends to, or the lines before, are kept.
    [ ${#emulator[@]} -eq 0 ] || skip "Windows has no /dev/stdout"
    "$plakit" jedec -o built-in.jed
    for name in /dev/stdout /dev/fd/1 /proc/self/fd/1 link.jed; do
        rm -f link.jed && ln -s /dev/stdout link.jed
        echo "old line" >log.txt
        status=0
        "$plakit" jedec -o "$name" >>log.txt 2>"$work/err" || status=$?
        expect_done
        { echo "old line" && cat built-in.jed; } | cmp -s - log.txt || fail "-o $name >>log.txt lost data"
        [ ! -L log.txt ] || fail "log.txt replaced"
        status=0
        { echo a && "$plakit" jedec -o "$name" 2>"$work/err"; } >grouped.txt || status=$?
        expect_done
        { echo a && cat built-in.jed; } | cmp -s - grouped.txt || fail "{ echo a; plakit -o $name; } lost the a line"
    done
    status=0
    "$plakit" jedec -o /dev/stderr 2>>log.txt >"$work/out" || status=$?
    [ "$status" -eq 0 ] && tail -c "$(stat -c %s built-in.jed)" log.txt | cmp -s - built-in.jed \
        || fail "-o /dev/stderr: status $status"
    status=0
    "$plakit" jedec -o /dev/fd/1 >&- 2>"$work/err" || status=$?
    expect_error 1 "plakit: /dev/fd/1: Bad file descriptor"
    ;;
output_is_input)
    # Refused before anything is written, whatever name leads to the input.
    "$plakit" jedec -o x.jed
    cp x.jed kept.jed
    run image x.jed -o x.jed
    expect_error 1 "plakit: x.jed: the output file is also the input: not written"
    ln -s x.jed link.jed
    run image link.jed -o x.jed
    expect_error 1 "plakit: x.jed: the output file is also the input: not written"
    run image x.jed -o "$PWD/link.jed"
    expect_error 1 "plakit: $PWD/link.jed: the output file is also the input: not written"
    # wine gives standard input's handle no volume serial number, so only Linux tells this one.
    if [ ${#emulator[@]} -eq 0 ]; then
        status=0
        "$plakit" image - -o x.jed <x.jed >"$work/out" 2>"$work/err" || status=$?
        expect_error 1 "plakit: x.jed: the output file is also the input: not written"
    fi
    cmp -s x.jed kept.jed || fail "the input was written over"
    cp "$work/builtin.bin" a.bin
    run fit a.bin -o a.bin
    expect_error 1 "plakit: a.bin: the output file is also the input: not written"
    expect_builtin_image a.bin
    [ "$(ls -A | sort | tr '\n' ' ')" = "a.bin kept.jed link.jed x.jed " ] || fail "stray files: $(ls -A)"
    ;;
lower_case_fields)
    # A lower-case fuse field would leave every fuse at the F default: refused.
    printf 'x*\nQF1928*\nF0*\nl0 0101*\n' >lower.jed
    run image lower.jed -o lower.bin
    expect_error 1 "plakit: lower.jed:4:1: 'l' starts no field: field letters are upper case ('L')"
    [ ! -e lower.bin ] || fail "an image was written"
    ;;
long_name)
    # A name that fits its folder fits its temporary file too.
    long=$(printf 'n%.0s' $(seq 251)).jed
    run jedec -o "$long"
    expect_done
    [ "$(ls -A)" = "$long" ] || fail "the folder holds: $(ls -A)"
    ;;
folder_slash)
    mkdir folder
    run jedec -o folder/
    expect_error_like 1 "plakit: folder/: ($folder_in_the_way)"
    [ -z "$(ls -A folder)" ] || fail "folder holds: $(ls -A folder)"
    ;;
jedec_before_stx)
    # Text and '*' before STX, as a programmer's modem or terminal leaves them, and Ctrl-Z.
    "$plakit" jedec -o built-in.jed
    { printf 'ATZ*\r\n' && cat built-in.jed && printf '\032'; } >habits.jed
    run image habits.jed -o habits.bin
    expect_done
    expect_builtin_image habits.bin
    ;;
jedec_bare_padding)
    # No STX or ETX, QF with leading zeros, FF and VT between fields, Ctrl-Z and NULs at the end.
    "$plakit" jedec -o built-in.jed
    tr -d '\002\003' <built-in.jed | head -c -6 | sed 's/QF1928/QF01928/; s/^F0\*/\v\fF0*/' >bare.jed
    printf '\032\0\0\0' >>bare.jed
    run image bare.jed -o bare.bin
    expect_done
    expect_builtin_image bare.bin
    ;;
jedec_cr_lines)
    printf 'x*\rQF1928*\rF0*\rL0 01\r 2*\r' >mac.jed
    run equations mac.jed
    expect_error 1 "plakit: mac.jed:5:2: '2' is not a fuse state (0 or 1)"
    ;;
header_qf)
    "$plakit" jedec | tr -d '\002\003' | sed -n '/^QF/,/^C/p' >headless.jed
    run image headless.jed
    expect_error 1 "plakit: headless.jed: no QF field gives the fuse count: the text up to the first '*' is the header, the design's description, and the QF there is read as part of it (start the file with a header line and its '*')"
    ;;
unknown_command)
    run imgae x.jed
    expect_error 2 "plakit: 'imgae' is not a command (jedec, image, equations, fit, verify, convert, compare, wiring, gal); try 'plakit --help'"
    ;;
one_byte)
    printf 'x' >one.bin
    run fit one.bin
    expect_error 1 "plakit: one.bin: 1 byte, not 65536: not an EPROM image"
    run verify one.bin
    [ "$status" -eq 1 ] && [ "$(cat "$work/out")" = "one.bin: 1 byte, expected 65536" ] || fail "$(cat "$work/out")"
    ;;
fit_effort)
    # Less effort: a programming still, written and checked; a bad effort is a usage error
    # and writes nothing.
    cp "$work/builtin.bin" image.bin
    run fit --effort 0 image.bin -o quick.jed
    [ "$status" -eq 0 ] && grep -Eq '^plakit: image.bin: [0-9]+ terms' "$work/err" || fail "status $status: $(cat "$work/err")"
    run image quick.jed -o again.bin
    expect_builtin_image again.bin
    for bad in -1 1001 x "" 0x10 " 1" 1e1; do
        run fit --effort "$bad" image.bin -o bad.jed
        expect_error 2 "plakit: --effort: not a number from 0 to 1000; try 'plakit fit --help'"
    done
    [ ! -e bad.jed ] || fail "a file was written"
    ;;
fit_random)
    # Random bytes: proven impossible, with an output that alone needs more than 48.
    perl -e 'srand(14); print chr(int(rand(256))) for 1 .. 65536' >random.bin
    run fit random.bin
    [ "$status" -eq 1 ] && [ ! -s "$work/out" ] || fail "status $status, or something written"
    grep -Eq '^plakit: random.bin: no 82S100 programming drives this image: at least [0-9]+ terms are needed, the array has 48; F[0-7] alone needs at least [0-9]+$' "$work/err" \
        || fail "$(cat "$work/err")"
    ;;
verify_parts)
    # A piece of a dump that equals several parts of the image: all are named.
    printf 'x*QF1928*F1*' >blank.jed # every fuse alike: every term the same, one byte everywhere
    "$plakit" image blank.jed -o - | head -c 32768 >half.bin
    run verify --jedec blank.jed half.bin
    [ "$status" -eq 1 ] && [ "$(cat "$work/out")" = "half.bin: 32768 bytes, expected 65536
half.bin: equals each of the 2 parts of the image: the image repeats every 32768 bytes" ] || fail "$(cat "$work/out")"
    # A byte too many (a line end a tool added) leaves the image inside, and says where.
    { cat "$work/builtin.bin"; echo; } >long.bin
    run verify long.bin
    [ "$status" -eq 1 ] && [ "$(cat "$work/out")" = "long.bin: 65537 bytes, expected 65536
long.bin: its bytes 0x00000-0x0FFFF are the image, 1 byte more after them" ] || fail "$(cat "$work/out")"
    # A chip never burned: the line says what to do.
    head -c 65536 /dev/zero | tr '\0' '\377' >blank.bin
    run verify blank.bin
    [ "$status" -eq 1 ] && [ "$(cat "$work/out")" = "blank.bin: blank: every byte is 0xFF: never programmed, or read from an empty socket; burn it, or seat it and read again" ] ||
        fail "$(cat "$work/out")"
    ;;
verify_reads)
    # Several reads of one chip: a weak cell that reads 1 once is apart from the rest.
    cp "$work/builtin.bin" r1.bin
    cp r1.bin r2.bin
    cp r1.bin r3.bin
    printf '\xF7' | dd of=r2.bin bs=1 seek=256 conv=notrunc 2>/dev/null # 0xB7 is the byte there
    run verify r1.bin r2.bin r3.bin
    [ "$status" -eq 1 ] || fail "status $status for reads that differ"
    [ "$(cat "$work/out")" = "r1.bin + r2.bin + r3.bin: 1 byte differs between the reads: weak cells or a bad contact
  0x0100: expected 0xBF, read 0xBF 0xF7 0xBF
  D3: 1 read 0 for 1, 0 read 1 for 0 in some reads
  D6: 0 read 0 for 1, 1 read 1 for 0 in some reads
r1.bin + r2.bin + r3.bin: matches the image" ] || fail "$(cat "$work/out")"
    run verify r1.bin - <r3.bin
    expect_done
    [ "$(cat "$work/out")" = "r1.bin + standard input: matches the image" ] || fail "$(cat "$work/out")"
    # A read of another size: each read is verified alone, under one headline for them all.
    head -c 32768 r1.bin >half.bin
    run verify r1.bin half.bin
    [ "$status" -eq 1 ] && [ "$(head -1 "$work/out")" = "r1.bin + half.bin: 1 of 2 reads matches the image" ] ||
        fail "status $status: $(cat "$work/out")"
    # Trouble with any read is 2, and nothing is printed.
    run verify r1.bin missing.bin
    expect_error 2 "plakit: missing.bin: No such file or directory"
    [ ! -s "$work/out" ] || fail "printed: $(cat "$work/out")"
    run verify - r1.bin - <r1.bin
    expect_error 2 "plakit: two DUMPs cannot both be standard input; try 'plakit verify --help'"
    ;;
verify_copies)
    # A 27C010 filled with two copies of the image, read whole.
    cat "$work/builtin.bin" "$work/builtin.bin" >27c010.bin
    run verify 27c010.bin
    expect_done
    [ "$(cat "$work/out")" = "27c010.bin: 131072 bytes: 2 copies of the image's 65536
27c010.bin: copy 1 of 2, bytes 0x00000-0x0FFFF: matches the image
27c010.bin: copy 2 of 2, bytes 0x10000-0x1FFFF: matches the image" ] || fail "$(cat "$work/out")"
    { cat "$work/builtin.bin"; head -c 65536 /dev/zero; } >half-burned.bin
    run verify half-burned.bin
    [ "$status" -eq 1 ] && [ "$(tail -1 "$work/out")" = "half-burned.bin: copy 2 of 2, bytes 0x10000-0x1FFFF: 65536 bytes differ" ] ||
        fail "status $status: $(cat "$work/out")"
    ;;
verify_romcmp)
    # Where romcmp finds bits that never change in a dump, verify names those data lines.
    command -v romcmp >/dev/null || skip "no romcmp (mame-tools)"
    image=$work/builtin.bin
    mkdir dumps
    perl -0777 -pe 's/(.)/chr(ord($1) & 0xBB)/gse' "$image" >dumps/d2-d6-at-0.bin
    perl -0777 -pe 's/(.)/chr(ord($1) | 0x08)/gse; substr($_, 0x1234, 1) ^= "\x01"' "$image" >dumps/d3-at-1-and-one.bin
    perl -0777 -pe 's/(.)/chr((ord($1) & 0xFE) | 0x80)/gse' "$image" >dumps/d0-at-0-d7-at-1.bin
    perl -0777 -ne 'for my $a (0 .. 65535) { print(($a & 0x40) ? "\xFF" : substr($_, $a, 1)) }' "$image" >dumps/a6-blocks.bin
    perl -0777 -pe 'substr($_, 0x4000, 0x800) = "\xFF" x 0x800' "$image" >dumps/dead-range.bin
    romcmp dumps >romcmp.txt 2>&1 || true
    grep -q 'FIXED BITS' romcmp.txt || fail "romcmp found no fixed bits: $(cat romcmp.txt)"
    checked=0
    # romcmp reads 16-bit words: 16 characters when the even and the odd bytes differ, then
    # a line is fixed where it is fixed at one level in both.
    while read -r file pattern; do
        if [ ${#pattern} -eq 16 ]; then
            both=
            for position in 0 1 2 3 4 5 6 7; do
                even=${pattern:$position:1} odd=${pattern:$((position + 8)):1}
                [ "$even" = "$odd" ] && both+=$even || both+=x
            done
            pattern=$both
        fi
        run verify "dumps/$file"
        [ "$status" -eq 1 ] || fail "$file: status $status"
        for position in 0 1 2 3 4 5 6 7; do
            level=${pattern:$position:1}
            [ "$level" != x ] || continue
            line=$((7 - position))
            # Named in the verdict ("data lines D2 and D6 stuck at 0", "D0 stuck at 0 and
            # D7 stuck at 1") or under it ("every byte read has D0 = 1").
            grep -qE "^dumps/$file: data lines? .*D$line( stuck at $level|[ ,].* stuck at $level$|.* stuck at $level,)|^  every byte read has .*D$line = $level" "$work/out" ||
                fail "romcmp: $file FIXED BITS ($pattern); verify: $(cat "$work/out")"
            checked=$((checked + 1))
        done
    done < <(sed -nE 's/^([^ ]+\.bin) +FIXED BITS \(([01x]{8}|[01x]{16})\)$/\1 \2/p' romcmp.txt)
    [ "$checked" -ge 6 ] || fail "only $checked fixed lines checked: $(cat romcmp.txt)"
    ;;
usage_words)
    # Usage errors in plakit's words, the first in command-line order, with the help to read.
    run convert --to jedec --to pla
    expect_error 2 "plakit: --to is given 2 times: give it once; try 'plakit convert --help'"
    run -o out.jed convert --to pla
    expect_error 2 "plakit: -o out.jed: before the command; a command's options go after its name; try 'plakit convert --help'"
    run image a.jed b.jed --pairs backwards
    expect_error 2 "plakit: The following argument was not expected: b.jed; try 'plakit image --help'"
    run image --pairs backwards a.jed b.jed
    expect_error 2 "plakit: --pairs: backwards not in {complement-first,true-first}; try 'plakit image --help'"
    run image -o
    expect_error 2 "plakit: --output needs a value; try 'plakit image --help'"
    # Options that would change nothing are refused rather than ignored.
    run convert --to jedec --name chip
    expect_error 2 "plakit: --name names a Verilog module or VHDL entity, and --to is not verilog or vhdl; try 'plakit convert --help'"
    cp "$work/builtin.bin" dump.bin
    run verify dump.bin --from pla
    expect_error 2 "plakit: --from names the form of --jedec's file, and no --jedec is given; try 'plakit verify --help'"
    # One file is one read, by one name or two.
    run verify dump.bin dump.bin
    expect_error 2 "plakit: dump.bin is given twice: each read of the chip is a file of its own; try 'plakit verify --help'"
    if [ ${#emulator[@]} -eq 0 ]; then
        ln -s dump.bin link.bin
        run verify dump.bin link.bin
        expect_error 2 "plakit: dump.bin is given twice (as link.bin): each read of the chip is a file of its own; try 'plakit verify --help'"
        # --version to a full disk fails with the disk's words, as every output does.
        status=0
        "$plakit" --version >/dev/full 2>"$work/err" || status=$?
        expect_error 1 "plakit: standard output: No space left on device"
    fi
    [ "$(ls | sort | tr '\n' ' ')" = "dump.bin $([ ${#emulator[@]} -eq 0 ] && echo 'link.bin ')" ] || fail "files left: $(ls)"
    ;;
help_closed)
    # Help and version that cannot be written fail as any output does.
    for command in "" jedec verify; do
        for flag in --help --version; do
            status=0
            "$plakit" $command $flag >&- 2>"$work/err" || status=$?
            lf_line_ends
            [ "$status" -ne 0 ] && grep -q '^plakit: standard output: ' "$work/err" \
                || fail "plakit $command $flag >&-: status $status, stderr: $(cat "$work/err")"
        done
    done
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok: $case_name"
