#!/usr/bin/env bash
# Makes the release twice from the commit checked out, each in a clone of its own at another
# path and with another temporary folder, and holds the two sets of files byte for byte
# against each other; diffoscope says what differs in a file that does.
# Usage: bash tools/reproducible.sh [--against FOLDER] [deb,tgz,zip,page]   (default: all four)
#   --against FOLDER: makes the release once, and holds it against the files of the same
#   names in FOLDER, made before from the same commit at another path (CI's own).
# Status 0 when every file is the same, 1 when one differs (diffoscope's report in
# build/reproducible/FILE.diffoscope.txt, its start shown), 2 when a release cannot be made.
set -uo pipefail

usage() {
    echo "usage: bash tools/reproducible.sh [--against FOLDER] [deb,tgz,zip,page]" >&2
    exit 2
}
root=$(cd "$(dirname "$0")/.." && pwd)
against=
if [ "${1:-}" = --against ]; then
    [ $# -ge 2 ] || usage
    against=$(cd "$2" 2>/dev/null && pwd) || {
        echo "tools/reproducible.sh: no folder $2" >&2
        exit 2
    }
    shift 2
fi
only=${1:-deb,tgz,zip,page}
[ $# -le 1 ] || usage
commit=$(git -C "$root" rev-parse --verify -q HEAD) || {
    echo "tools/reproducible.sh: $root is not a git checkout with a commit" >&2
    exit 2
}
work=$root/build/reproducible
rm -rf "$work"

# The two runs differ in everything a build may not depend on: the checkout's path (and its
# length), the temporary folder, the time of the run.
make_release() {
    local clone=$work/$1 tmp=$work/$1-tmp
    mkdir -p "$tmp"
    git clone -q --no-checkout "$root" "$clone" && git -C "$clone" checkout -q --detach "$commit" &&
        TMPDIR=$tmp bash "$clone/tools/release.sh" --only "$only" "$work/$1-files"
}
if [ -n "$against" ]; then
    first=$against
else
    make_release one/pla-eprom || exit 2
    first=$work/one/pla-eprom-files
fi
make_release two/a/longer/path/to/pla-eprom || exit 2
second=$work/two/a/longer/path/to/pla-eprom-files

status=0
for other in "$second"/*; do
    name=$(basename "$other")
    [ "$name" != SHA256SUMS ] || continue
    file=$first/$name
    if [ ! -f "$file" ]; then
        status=1
        echo "MISSING: $name is not in $first"
    elif cmp -s "$file" "$other"; then
        echo "the same: $name"
    else
        status=1
        echo "DIFFERENT: $name"
        report=$work/$name.diffoscope.txt
        diffoscope --no-progress --text "$report" "$file" "$other" >/dev/null 2>&1
        head -n 60 "$report"
        echo "(all of it in $report)"
    fi
done
exit $status
