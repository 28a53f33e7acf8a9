#!/usr/bin/env bash
# Counts the instructions of a whole run of `plakit verify DUMP` and of `cmp -s IMAGE DUMP`
# on the same two files, for dumps of each kind, and prints both with their ratio, for
# each build given; then three reads of one chip against one read.
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

for build in "$@"; do
    plakit=$(realpath -m "$build/plakit")
    [ -x "$plakit" ] || die "$plakit: no such program (build it first, e.g. cmake --workflow --preset bench)"
    echo "$build"
    for dump in good.bin d3-stuck-at-0.bin a0-a15-swapped.bin noise.bin other-pairs.bin straight.bin \
        a15-inverted.bin d3-inverted.bin shifted-down-16.bin all-inverted.bin blank.bin zero.bin \
        d2-d6-stuck-at-0.bin d3-stuck-and-one.bin dead-range.bin bad-page.bin every-256.bin a6-blocks.bin \
        charge-loss.bin upper-half.bin 27c010.bin; do
        verify_count=$(count "$plakit" verify "$dump")
        cmp_count=$(count cmp -s 82S100_EPROM.bin "$dump")
        said=$(cd "$work" && "$plakit" verify "$dump" | head -1) || true
        echo "  $said"
        awk -v v="$verify_count" -v c="$cmp_count" \
            'BEGIN { printf "    plakit verify %9d, cmp -s %7d instructions: ratio %6.3f (target: at most 10)\n", v, c, v / c }'
    done
    # Three reads of one chip against one: the good chip, and charge loss read thrice.
    for dump in good.bin charge-loss.bin; do
        one=$(count "$plakit" verify "$dump")
        three=$(count "$plakit" verify "$dump" "$dump" "$dump")
        awk -v d="$dump" -v one="$one" -v three="$three" \
            'BEGIN { printf "  three reads of %s %9d, one %9d instructions: ratio %6.3f (target: at most 3)\n", d, three, one, three / one }'
    done
done
