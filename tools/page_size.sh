#!/usr/bin/env bash
# The page's size as released (tools/release.sh copies the web preset's plakit.html, byte for
# byte, as plakit-VERSION.html) and as gzip -9 compresses it, as a web server sends it: at
# most 150 KiB compressed. The documents give the figures as "N KiB, M KiB compressed"; each
# such pair must be these, within a KiB, so that the figures cannot go stale.
# Usage: bash tools/page_size.sh [PAGE]   (default: build/web/web/plakit.html; status 1 on a fault)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
page=${1:-$root/build/web/web/plakit.html}
limit=$((150 * 1024))
[ -f "$page" ] || {
    echo "tools/page_size.sh: no $page: build it (cmake --workflow --preset web)"
    exit 1
}
size=$(wc -c <"$page")
compressed=$(gzip -9 -c "$page" | wc -c)
kib() { echo $((($1 + 512) / 1024)); }
echo "tools/page_size.sh: $page: $size bytes ($(kib "$size") KiB), $compressed compressed ($(kib "$compressed") KiB," \
    "at most $((limit / 1024)) KiB)"

status=0
if [ "$compressed" -gt "$limit" ]; then
    echo "tools/page_size.sh: the page is larger than $((limit / 1024)) KiB compressed"
    status=1
fi
# How far a document's figure is from the measure, in KiB.
off() { local difference=$(($1 - $(kib "$2"))); echo ${difference#-}; }
found=0
for file in "$root/README.md" "$root"/docs/*.md; do
    [ -f "$file" ] || continue
    # A pair may run over two lines of the document.
    while read -r whole packed; do
        found=$((found + 1))
        if [ "$(off "$whole" "$size")" -gt 1 ] || [ "$(off "$packed" "$compressed")" -gt 1 ]; then
            echo "tools/page_size.sh: ${file#"$root"/} gives $whole KiB, $packed KiB compressed; the page is" \
                "$(kib "$size") KiB, $(kib "$compressed") KiB compressed"
            status=1
        fi
    done < <(grep -zoE '[0-9]+ KiB,[[:space:]]+[0-9]+ KiB compressed' "$file" | tr '\n\0' ' \n' |
        sed -E 's/^([0-9]+) KiB, +([0-9]+) KiB compressed$/\1 \2/')
done
if [ "$found" -eq 0 ]; then
    echo "tools/page_size.sh: no document gives the page's size as \"N KiB, M KiB compressed\""
    status=1
fi
exit $status
