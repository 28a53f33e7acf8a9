#!/usr/bin/env bash
# Black-box tests of plakit's wirings (--wiring FILE, plakit wiring) and of the whole-image
# mix-ups verify names, each in a fresh temporary folder, as a user runs them.
# Usage: wiring_cli.sh CASE PLAKIT PLA_EPROM [EMULATOR...]
set -euo pipefail

case_name=$1
plakit=$(realpath "$2")
pla_eprom=$(realpath "$3")
shift 3
emulator=("$@")

programs=(plakit pla_eprom)
# shellcheck source=plakit_harness.sh
source "$(dirname "$0")/plakit_harness.sh"

# The headline verify printed first, without the dump's name.
verdict() {
    head -n 1 "$work/out" | sed 's/^[^:]*: //'
}

# A random wiring: each address line to a random input, each output to a random data
# line, a random third of the lines inverted; comments and blank lines between.
random_wiring() {
    perl -e '
        srand($ARGV[0]);
        sub shuffled { my @l = @_; for (my $i = $#l; $i > 0; --$i) { my $j = int rand($i + 1); @l[$i, $j] = @l[$j, $i] } @l }
        sub bar { rand(3) < 1 ? "/" : "" }
        my @inputs = shuffled(0 .. 15);
        my @data = shuffled(0 .. 7);
        print "# a board of my own\n\n";
        print "A$_ ", bar(), "I$inputs[$_]   # A$_\n" for shuffled(0 .. 15);
        print "\n";
        print "D$data[$_] ", bar(), "F$_\n" for 0 .. 7;
    ' "$1"
}

case $case_name in
adapter_file)
    # The adapter written as a file gives pla-eprom's image, byte for byte; read back, the
    # file prints as it was written.
    "$pla_eprom" >/dev/null
    run wiring
    expect_done
    cp out board.txt
    grep -qx 'A0 I15' board.txt && grep -qx 'D6 F0' board.txt || fail "not the adapter: $(cat board.txt)"
    run image --wiring board.txt -o board.bin
    expect_done
    cmp -s board.bin 82S100_EPROM.bin || fail "the adapter's file gives another image"
    run wiring --wiring board.txt -o again.txt
    expect_done
    cmp -s again.txt board.txt || fail "the file read back prints otherwise"
    run wiring --wiring straight
    grep -qx 'A0 I0' out && grep -qx 'D6 F6' out || fail "not the straight wiring: $(cat out)"
    ;;
round_trip)
    # A board of its own: the image through its wiring, a programming fitted from that
    # image through it gives the same image, and verify holds it through it.
    random_wiring 15 >board.txt
    grep -q '/' board.txt || fail "the random wiring inverts nothing"
    "$plakit" jedec -o built-in.jed
    run image --wiring board.txt built-in.jed -o board.bin
    expect_done
    "$plakit" image -o adapter.bin
    ! cmp -s board.bin adapter.bin || fail "the wiring made no difference"
    run fit --wiring board.txt board.bin -o fitted.jed
    [ "$status" -eq 0 ] || fail "fit: status $status, $(cat err)"
    run image --wiring board.txt fitted.jed -o again.bin
    expect_done
    cmp -s again.bin board.bin || fail "the fitted programming gives another image"
    run verify --wiring board.txt board.bin
    [ "$status" -eq 0 ] && [ "$(verdict)" = "matches the image" ] || fail "verify: $(cat out)"
    run verify board.bin
    [ "$status" -ne 0 ] || fail "the board's image matches through the adapter"
    run wiring --wiring board.txt
    expect_done
    grep -v '^#' out | sort -V | grep . >read.txt
    sed 's/ *#.*//' board.txt | grep . | sort -V >written.txt
    cmp -s read.txt written.txt || fail "the wiring printed is not the one written: $(diff written.txt read.txt)"
    ;;
bad_files)
    # A fault of a wiring file (each kind is a unit test's): status 1 (verify's trouble: 2),
    # the place, nothing written, the old file kept, in every command that takes --wiring.
    "$plakit" wiring --wiring straight -o good.txt
    echo "an old image" >old.bin
    cp old.bin kept.bin
    sed 's/^A4 I4$/A4 F4/' good.txt >not_an_input.txt
    for command in "image -o old.bin" "fit old.bin" "verify kept.bin" "wiring -o old.bin"; do
        # shellcheck disable=SC2086 # the command's words
        run $command --wiring not_an_input.txt
        expected_status=1
        [ "${command%% *}" != verify ] || expected_status=2
        expect_error "$expected_status" "plakit: not_an_input.txt:20:4: 'F4' is not an array input (I0-I15, /I0-/I15 inverted)"
        cmp -s old.bin kept.bin || fail "$command: the old file was changed"
        [ ! -s out ] || fail "$command: output on a failure: $(cat out)"
    done
    # A line left out is missed where the file ends; no new file is created.
    sed '/^D7 F7$/d' good.txt >missing.txt
    run image --wiring missing.txt -o new.bin
    expect_error 1 "plakit: missing.txt:39:1: D7 is not named: each of A0-A15 and D0-D7 needs a line"
    [ ! -e new.bin ] || fail "an image written for a bad wiring"
    run wiring --wiring absent.txt
    expect_error 1 "plakit: absent.txt: No such file or directory"
    # Standard input is read once: a wiring from it, and nothing else.
    run wiring --wiring - <good.txt
    expect_done
    cmp -s out good.txt || fail "the wiring read from standard input prints otherwise"
    run image - --wiring - <good.txt
    expect_error 2 "plakit: JEDEC and --wiring cannot both be standard input; try 'plakit image --help'"
    run fit - --wiring - <good.txt
    expect_error 2 "plakit: IMAGE and --wiring cannot both be standard input; try 'plakit fit --help'"
    run verify kept.bin --jedec - --wiring - <good.txt
    expect_error 2 "plakit: --jedec and --wiring cannot both be standard input; try 'plakit verify --help'"
    ;;
verify_mix_ups)
    # The images burned by mistake that only the command can make: the other pair order
    # and the other wiring, for a JEDEC file given and through a board of its own.
    "$plakit" jedec -o built-in.jed
    "$plakit" image --pairs true-first built-in.jed -o other-pairs.bin
    run verify other-pairs.bin
    [ "$status" -eq 1 ] && [ "$(verdict)" = "the image of the programming in the other pair order: --pairs true-first" ] ||
        fail "$(cat out)"
    "$plakit" image built-in.jed -o adapter.bin
    run verify --jedec built-in.jed --pairs true-first adapter.bin
    [ "$(verdict)" = "the image of the programming in the other pair order: --pairs complement-first" ] || fail "$(cat out)"
    "$plakit" image --wiring straight -o straight.bin
    run verify straight.bin
    [ "$(verdict)" = "the image through another wiring: --wiring straight" ] || fail "$(cat out)"
    run verify --wiring straight adapter.bin
    [ "$(verdict)" = "the image through another wiring: --wiring adapter" ] || fail "$(cat out)"
    random_wiring 16 >board.txt
    run verify --wiring board.txt adapter.bin
    [ "$(verdict)" = "the image through another wiring: --wiring adapter" ] || fail "$(cat out)"
    # A15 inverted by the board, and the same read with the other pair order too.
    perl -0777 -ne 'print substr($_, 32768), substr($_, 0, 32768)' adapter.bin >a15.bin
    run verify a15.bin
    [ "$(verdict)" = "address line A15 inverted" ] || fail "$(cat out)"
    perl -0777 -ne 'print substr($_, 32768), substr($_, 0, 32768)' other-pairs.bin >two.bin
    run verify two.bin
    [ "$(verdict)" = "no single fault explains the differences" ] || fail "$(cat out)"
    ;;
*)
    fail "no such case"
    ;;
esac
