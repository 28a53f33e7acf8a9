#!/usr/bin/env bash
# The house's floors: a room (a folder of C++ code) may #include only from itself and from
# rooms on lower floors, so that nothing leans on what stands above it. Tests, benchmarks
# and fuzz targets stand outside the house and may take from any room. A folder of C++ code
# not in the table fails the check until it is given a floor. A file of commands/ holds one
# command's work, at most 250 lines: a longer one does what a library below should.
# Usage: bash tools/layout.sh   (from anywhere in the tree; status 1 names each wrong include)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

floors=(
    "pla text file"              # the array; what every text reader shares; the one writer
    "eprom jedec minimize"       # the EPROM image and wirings; JEDEC files; the minimizer
    "diagnosis forms wiring gal" # a dump's faults; every form of a programming; wiring files; the GAL pair
    "commands"                   # each plakit command's work as one call
    "converter plakit web"       # the programs' entries and the page's binding
)
outside="tests bench fuzz"

declare -A floor_of
for level in "${!floors[@]}"; do
    for room in ${floors[$level]}; do
        floor_of[$room]=$level
    done
done

status=0
while IFS= read -r file; do
    room=${file%%/*}
    [[ " $outside " == *" $room "* ]] && continue
    if [ -z "${floor_of[$room]+set}" ]; then
        echo "tools/layout.sh: $file: the room $room/ has no floor in tools/layout.sh"
        status=1
        continue
    fi
    while IFS=: read -r line taken; do
        [ "$taken" = "$room" ] && continue
        if [ -z "${floor_of[$taken]+set}" ] || [ "${floor_of[$taken]}" -ge "${floor_of[$room]}" ]; then
            echo "tools/layout.sh: $file:$line: $room/ takes from $taken/, which is not below it"
            status=1
        fi
    done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$file" |
        sed -E 's/^([0-9]+):.*"([^"/]+)\/$/\1:\2/')
done < <(git ls-files '*.h' '*.cpp' | grep '/')
while read -r lines file; do
    if [ "$file" != total ] && [ "$lines" -gt 250 ]; then
        echo "tools/layout.sh: $file: $lines lines, a command's file holds at most 250"
        status=1
    fi
done < <(git ls-files 'commands/*.cpp' 'commands/*.h' | xargs wc -l)
[ $status -eq 0 ] && echo "tools/layout.sh: every room takes only from the floors below it"
exit $status
