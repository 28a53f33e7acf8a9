#!/usr/bin/env bash
# Counts the instructions of a whole run of `plakit verify DUMP` and of `cmp -s IMAGE DUMP`
# on the same two files, for dumps of each kind, and prints both with their ratio, for
# each build given.
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

for build in "$@"; do
    plakit=$(realpath -m "$build/plakit")
    [ -x "$plakit" ] || die "$plakit: no such program (build it first, e.g. cmake --workflow --preset bench)"
    echo "$build"
    for dump in good.bin d3-stuck-at-0.bin a0-a15-swapped.bin noise.bin other-pairs.bin straight.bin \
        a15-inverted.bin d3-inverted.bin shifted-down-16.bin all-inverted.bin; do
        verify_count=$(count "$plakit" verify "$dump")
        cmp_count=$(count cmp -s 82S100_EPROM.bin "$dump")
        said=$(cd "$work" && "$plakit" verify "$dump" | grep "^$dump: " | tail -1) || true
        echo "  $said"
        awk -v v="$verify_count" -v c="$cmp_count" \
            'BEGIN { printf "    plakit verify %9d, cmp -s %7d instructions: ratio %6.3f (target: at most 10)\n", v, c, v / c }'
    done
done
