#!/usr/bin/env bash
# Counts the instructions of whole runs, each in an empty folder, for each build given:
# pla-eprom against the floor program (file I/O alone), plakit image of a JEDEC file
# against pla-eprom, and the same through the adapter's wiring given as a wiring file
# against given by name.
# Usage: bench/callgrind_ratio.sh [BUILD_DIR...]   (Release builds; by default build/bench,
#        the g++ one, and build/clang, the clang++ one)
set -euo pipefail
[ $# -gt 0 ] || set -- build/bench build/clang

die() {
    echo "$0: $*" >&2
    exit 1
}

command -v valgrind >/dev/null || die "valgrind is missing (bash tools/dependencies.sh ci installs it)"

# Prints the instruction count of one run of PROGRAM [ARGUMENTS...], or fails with a message.
count() {
    local folder summary
    folder=$(mktemp -d)
    if ! (cd "$folder" && valgrind --tool=callgrind --callgrind-out-file="$folder/out" "$@" >/dev/null 2>"$folder/log"); then
        cat "$folder/log" >&2
        rm -rf "$folder"
        die "$1 failed under callgrind"
    fi
    summary=$(sed -n 's/^summary: //p' "$folder/out")
    rm -rf "$folder"
    [ -n "$summary" ] || die "$1: callgrind gave no count"
    echo "$summary"
}

for build in "$@"; do
    # Absolute: each program runs in a folder of its own.
    program=$(realpath -m "$build/pla-eprom")
    floor=$(realpath -m "$build/bench/eprom_floor")
    plakit=$(realpath -m "$build/plakit")
    for file in "$program" "$floor" "$plakit"; do
        [ -x "$file" ] || die "$file: no such program (build it first, e.g. cmake --workflow --preset bench)"
    done
    program_count=$(count "$program")
    floor_count=$(count "$floor")
    echo "$build"
    echo "  pla-eprom:   $program_count instructions"
    echo "  eprom_floor: $floor_count instructions"
    awk -v p="$program_count" -v f="$floor_count" 'BEGIN { printf "  ratio:       %.3f (target: at most 2)\n", p / f }'
    jedec=$(mktemp)
    wiring=$(mktemp)
    "$plakit" jedec -o "$jedec"
    "$plakit" wiring -o "$wiring"
    image_count=$(count "$plakit" image "$jedec")
    named_count=$(count "$plakit" image "$jedec" --wiring adapter)
    file_count=$(count "$plakit" image "$jedec" --wiring "$wiring")
    rm -f "$jedec" "$wiring"
    echo "  plakit image FILE.jed: $image_count instructions"
    awk -v i="$image_count" -v p="$program_count" 'BEGIN { printf "  ratio to pla-eprom:    %.3f (target: at most 2.5)\n", i / p }'
    echo "  plakit image FILE.jed --wiring adapter:     $named_count instructions"
    echo "  plakit image FILE.jed --wiring WIRING.txt:  $file_count instructions (the adapter's, as a file)"
    awk -v f="$file_count" -v n="$named_count" 'BEGIN { printf "  ratio of the file to the name:             %.3f\n", f / n }'
done
