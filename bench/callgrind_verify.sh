#!/usr/bin/env bash
# Counts the instructions of a whole run of `plakit verify DUMP` and of `cmp -s IMAGE DUMP`
# on the same two files, for dumps of each kind, and prints both with their ratio, for
# each build given; then reads of larger chips (1 MiB and 16 MiB: 16 and 256 copies) against
# `cmp -s` reading two files of that size through (the same bytes: cmp stops at a first
# difference), and three reads of one chip against one read.
# Usage: bench/callgrind_verify.sh [BUILD_DIR...]   (Release builds; by default build/bench,
#        the g++ one, and build/clang, the clang++ one)
set -euo pipefail
[ $# -gt 0 ] || set -- build/bench build/clang

die() {
    echo "$0: $*" >&2
    exit 1
}

for tool in valgrind cmp perl; do
    command -v "$tool" >/dev/null || die "$tool is missing (bash tools/dependencies.sh bench installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints the instruction count of one run of the command given, which may end with 0
# (equal) or 1 (different), or fails with a message.
count() {
    local status=0 summary
    (cd "$work" && valgrind --tool=callgrind --callgrind-out-file="$work/out" "$@" >/dev/null 2>"$work/log") ||
        status=$?
    if [ "$status" -gt 1 ]; then
        cat "$work/log" >&2
        die "$* failed under callgrind (status $status)"
    fi
    summary=$(sed -n 's/^summary: //p' "$work/out")
    rm -f "$work/out"
    [ -n "$summary" ] || die "$*: callgrind gave no count"
    echo "$summary"
}

# The dumps, from the image the first build's pla-eprom writes: a good chip, one with a
# data line stuck (every other byte differs), one with A0 and A15 swapped (the costliest
# check: one byte at a time) and 64 KiB of noise (every byte differs; every wrong bit is
# counted); then one of each whole-image mix-up: the image of the other pair order (the
# image reversed), the image for the straight wiring, A15 inverted, D3 inverted, the image
# shifted down by 16 bytes (the last shift tried) and every bit inverted.
first=$(realpath -m "$1")
[ -x "$first/pla-eprom" ] || die "$first/pla-eprom: no such program (build it first, e.g. cmake --workflow --preset bench)"
(cd "$work" && "$first/pla-eprom" >/dev/null)
image=$work/82S100_EPROM.bin
cp "$image" "$work/good.bin"
perl -0777 -pe 's/(.)/chr(ord($1) & 0xF7)/gse' "$image" >"$work/d3-stuck-at-0.bin"
perl -0777 -ne '
    my $image = $_;
    for my $address (0 .. 65535) {
        my $differ = ($address & 1) != (($address >> 15) & 1);
        print substr($image, $differ ? $address ^ 0x8001 : $address, 1);
    }' "$image" >"$work/a0-a15-swapped.bin"
perl -e 'srand(1); print map { chr int rand 256 } 1 .. 65536' >"$work/noise.bin"
perl -0777 -ne 'print scalar reverse $_' "$image" >"$work/other-pairs.bin"
(cd "$work" && "$first/plakit" image --wiring straight -o straight.bin)
perl -0777 -ne 'print substr($_, 32768), substr($_, 0, 32768)' "$image" >"$work/a15-inverted.bin"
perl -0777 -pe 's/(.)/chr(ord($1) ^ 0x08)/gse' "$image" >"$work/d3-inverted.bin"
perl -0777 -ne 'print substr($_, 16), "\xFF" x 16' "$image" >"$work/shifted-down-16.bin"
perl -0777 -pe 's/(.)/chr(ord($1) ^ 0xFF)/gse' "$image" >"$work/all-inverted.bin"
# Then the faults told by where they lie and how the bits fall: a blank chip, one that
# reads 0x00, D2 and D6 stuck at 0, D3 stuck at 1 and one bit besides, 0x4000-0x47FF
# reading 0xFF, a 64-byte page reading 0x00 every 0x4000, the first 16 bytes of every 256
# reading 0xFF, the 64-byte blocks with A6 at 1 reading 0xFF, 30 programmed 0s read as 1
# at random, the image in the upper half and the lower half blank, and a 27C010's two copies.
perl -e 'print "\xFF" x 65536' >"$work/blank.bin"
perl -e 'print "\x00" x 65536' >"$work/zero.bin"
perl -0777 -pe 's/(.)/chr(ord($1) & 0xBB)/gse' "$image" >"$work/d2-d6-stuck-at-0.bin"
perl -0777 -pe 's/(.)/chr(ord($1) | 0x08)/gse; substr($_, 0x1234, 1) ^= "\x01"' "$image" >"$work/d3-stuck-and-one.bin"
perl -0777 -pe 'substr($_, 0x4000, 0x800) = "\xFF" x 0x800' "$image" >"$work/dead-range.bin"
perl -0777 -pe 'for my $k (0 .. 3) { substr($_, $k * 0x4000 + 0x19C0, 64) = "\x00" x 64 }' "$image" >"$work/bad-page.bin"
perl -0777 -pe 'for (my $a = 0; $a < 65536; $a += 256) { substr($_, $a, 16) = "\xFF" x 16 }' "$image" >"$work/every-256.bin"
perl -0777 -ne 'for my $a (0 .. 65535) { print(($a & 0x40) ? "\xFF" : substr($_, $a, 1)) }' "$image" >"$work/a6-blocks.bin"
perl -0777 -ne '
    srand(3);
    my $lost = 0;
    while ($lost < 30) {
        my ($a, $bit) = (int rand 65536, 1 << int rand 8);
        next if ord(substr($_, $a, 1)) & $bit;
        substr($_, $a, 1) = chr(ord(substr($_, $a, 1)) | $bit);
        ++$lost;
    }
    print' "$image" >"$work/charge-loss.bin"
perl -0777 -ne 'print "\xFF" x 32768, substr($_, 0, 32768)' "$image" >"$work/upper-half.bin"
cat "$image" "$image" >"$work/27c010.bin"
# Then the kinds that take more than one step: a fault with one to three stray bits (A5
# stuck at 0, A1 and A2 swapped, D3 inverted with one; the straight wiring, A0 and A15
# swapped, A15 inverted, a shift by 16 and every bit inverted with three), two faults (A4
# stuck at 1 and D2 stuck at 0), shorted address lines (A0 and A1, their AND; A3 and A9,
# their OR), a 256-byte page reading 0xFF every 0x4000, five bytes read wrong at random,
# and a read of no chip beside a good one.
stray() { # FILE ADDRESS:BIT...: the file with each bit given flipped (the address in hex)
    perl -e '
        open my $in, "<:raw", shift or die; local $/; my $bytes = <$in>;
        for (@ARGV) { my ($address, $bit) = split /:/; substr($bytes, hex $address, 1) ^= chr(1 << $bit) }
        binmode STDOUT; print $bytes' "$@"
}
address_read() { # PERL-EXPRESSION of $a: the address read at address $a
    perl -0777 -ne "for my \$a (0 .. 65535) { print substr(\$_, $1, 1) }" "$image"
}
address_read '$a & ~0x20' >"$work/a5-plain.bin"
stray "$work/a5-plain.bin" 44CB:3 >"$work/a5-stuck-and-one-bit.bin"
address_read '(($a >> 1 ^ $a >> 2) & 1) ? $a ^ 6 : $a' >"$work/a1-a2-plain.bin"
stray "$work/a1-a2-plain.bin" 1CF4:6 >"$work/a1-a2-swapped-and-one-bit.bin"
stray "$work/d3-inverted.bin" 79D6:0 >"$work/d3-inverted-and-one-bit.bin"
stray "$work/straight.bin" 34D2:1 78DB:7 F52F:4 >"$work/straight-and-3-bits.bin"
stray "$work/a0-a15-swapped.bin" 0ED9:2 7F83:6 82C9:7 >"$work/a0-a15-swapped-and-3-bits.bin"
stray "$work/a15-inverted.bin" 003B:0 2940:5 85F3:6 >"$work/a15-inverted-and-3-bits.bin"
stray "$work/shifted-down-16.bin" 2516:7 A5CD:1 CA26:3 >"$work/shifted-and-3-bits.bin"
stray "$work/all-inverted.bin" 62E0:2 7412:6 C030:0 >"$work/all-inverted-and-3-bits.bin"
address_read '$a | 0x10' | perl -0777 -pe 's/(.)/chr(ord($1) & 0xFB)/gse' >"$work/a4-and-d2-stuck.bin"
address_read '(($a ^ $a >> 1) & 1) ? $a & ~3 : $a' >"$work/a0-a1-shorted.bin"
address_read '(($a >> 3 ^ $a >> 9) & 1) ? $a | 0x208 : $a' >"$work/a3-a9-shorted.bin"
perl -0777 -pe 'for my $k (0 .. 3) { substr($_, $k * 0x4000 + 0x100, 256) = "\xFF" x 256 }' "$image" >"$work/ff-page-repeated.bin"
stray "$image" 034B:0 034B:6 46EE:2 46EE:5 AB05:1 BF22:4 BF22:7 E001:3 >"$work/five-bytes.bin"
# Larger chips: a 27C010 with a blank copy, and 16 and 256 copies with D0 stuck at 0 in each.
cat "$image" "$work/blank.bin" >"$work/27c010-blank-copy.bin"
perl -0777 -pe 's/(.)/chr(ord($1) & 0xFE)/gse' "$image" >"$work/d0.bin"
for copies in 16 256; do
    for ((copy = 0; copy < copies; ++copy)); do cat "$work/d0.bin"; done >"$work/d0-$copies-copies.bin"
    for ((copy = 0; copy < copies; ++copy)); do cat "$image"; done >"$work/image-$copies-copies.bin"
    cp "$work/image-$copies-copies.bin" "$work/same-$copies-copies.bin"
done

for build in "$@"; do
    plakit=$(realpath -m "$build/plakit")
    [ -x "$plakit" ] || die "$plakit: no such program (build it first, e.g. cmake --workflow --preset bench)"
    echo "$build"
    for dump in good.bin d3-stuck-at-0.bin a0-a15-swapped.bin noise.bin other-pairs.bin straight.bin \
        a15-inverted.bin d3-inverted.bin shifted-down-16.bin all-inverted.bin blank.bin zero.bin \
        d2-d6-stuck-at-0.bin d3-stuck-and-one.bin dead-range.bin bad-page.bin every-256.bin a6-blocks.bin \
        charge-loss.bin upper-half.bin 27c010.bin a5-stuck-and-one-bit.bin a1-a2-swapped-and-one-bit.bin \
        d3-inverted-and-one-bit.bin straight-and-3-bits.bin a0-a15-swapped-and-3-bits.bin \
        a15-inverted-and-3-bits.bin shifted-and-3-bits.bin all-inverted-and-3-bits.bin a4-and-d2-stuck.bin \
        a0-a1-shorted.bin a3-a9-shorted.bin ff-page-repeated.bin five-bytes.bin 27c010-blank-copy.bin; do
        verify_count=$(count "$plakit" verify "$dump")
        cmp_count=$(count cmp -s 82S100_EPROM.bin "$dump")
        said=$(cd "$work" && "$plakit" verify "$dump" | head -1) || true
        echo "  $said"
        awk -v v="$verify_count" -v c="$cmp_count" \
            'BEGIN { printf "    plakit verify %9d, cmp -s %7d instructions: ratio %6.3f (target: at most 10)\n", v, c, v / c }'
    done
    # Larger chips read whole, against cmp -s reading two files of their size through.
    for copies in 16 256; do
        verify_count=$(count "$plakit" verify "d0-$copies-copies.bin")
        cmp_count=$(count cmp -s "image-$copies-copies.bin" "same-$copies-copies.bin")
        said=$(cd "$work" && "$plakit" verify "d0-$copies-copies.bin" | head -1) || true
        echo "  $said"
        awk -v v="$verify_count" -v c="$cmp_count" \
            'BEGIN { printf "    plakit verify %9d, cmp -s %7d instructions: ratio %6.3f (target: at most 10)\n", v, c, v / c }'
    done
    # A read of no chip beside a good one, against one read.
    one=$(count "$plakit" verify good.bin)
    two=$(count "$plakit" verify good.bin blank.bin)
    awk -v one="$one" -v two="$two" \
        'BEGIN { printf "  a good and a blank read %9d, one %9d instructions: ratio %6.3f\n", two, one, two / one }'
    # Three reads of one chip against one: the good chip, and charge loss read thrice (three
    # files: verify takes one file named twice for a slip of the command line).
    for dump in good.bin charge-loss.bin; do
        cp "$work/$dump" "$work/second-$dump"
        cp "$work/$dump" "$work/third-$dump"
        one=$(count "$plakit" verify "$dump")
        three=$(count "$plakit" verify "$dump" "second-$dump" "third-$dump")
        awk -v d="$dump" -v one="$one" -v three="$three" \
            'BEGIN { printf "  three reads of %s %9d, one %9d instructions: ratio %6.3f (target: at most 3)\n", d, three, one, three / one }'
    done
done
