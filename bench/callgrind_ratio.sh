#!/usr/bin/env bash
# Counts the instructions of a whole run of pla-eprom and of the floor program (file I/O
# alone), each in an empty folder, and prints both with their ratio.
# Usage: bench/callgrind_ratio.sh BUILD_DIR   (a Release build, e.g. build/bench)
set -euo pipefail
build=$(realpath "${1:?usage: $0 BUILD_DIR}")

count() {
    local folder
    folder=$(mktemp -d)
    (cd "$folder" && valgrind --tool=callgrind --callgrind-out-file="$folder/out" "$1" >/dev/null 2>"$folder/log")
    sed -n 's/^summary: //p' "$folder/out"
    rm -rf "$folder"
}

program=$(count "$build/pla-eprom")
floor=$(count "$build/bench/eprom_floor")
echo "pla-eprom:   $program instructions"
echo "eprom_floor: $floor instructions"
awk -v p="$program" -v f="$floor" 'BEGIN { printf "ratio:       %.3f (target: at most 2)\n", p / f }'
