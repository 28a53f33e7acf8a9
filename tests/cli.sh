#!/usr/bin/env bash
# Black-box tests of the built program, each in a fresh temporary folder, as a user runs it.
# Usage: cli.sh CASE PROGRAM [EMULATOR...]
# A program built for Windows runs under the emulator given after it (wine).
set -euo pipefail

case_name=$1
program=$(realpath "$2")
shift 2
emulator=("$@")
image=82S100_EPROM.bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# Runs the program in the current folder; its status goes to $status, its output to
# $work/out and $work/err, with Windows' CR LF line ends made LF.
run() {
    status=0
    "${emulator[@]}" "$program" "$@" >"$work/out" 2>"$work/err" || status=$?
    if [ ${#emulator[@]} -gt 0 ]; then
        sed -i 's/\r$//' "$work/out" "$work/err"
    fi
}

# gzip's trailer holds the CRC-32 (ISO-HDLC) of the data, least significant byte first.
crc32_of() {
    gzip -c <"$1" | tail -c 8 | od -An -tx1 -N4 | tr -d ' \n'
}

expect_banner() {
    local lines
    lines=$(wc -l <"$work/out")
    [ "$lines" -eq 2 ] || fail "the banner has $lines lines"
    grep -qxE '82S100 JEDEC file to Eprom converter \(C\) [0-9]{4} .+' <(sed -n 1p "$work/out") \
        || fail "first banner line: $(sed -n 1p "$work/out")"
    grep -qxE 'Contact: [^ @]+@[^ @]+\.[^ @]+' <(sed -n 2p "$work/out") \
        || fail "second banner line: $(sed -n 2p "$work/out")"
}

expect_success() {
    [ "$status" -eq 0 ] || fail "status $status, stderr: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "stderr: $(cat "$work/err")"
    expect_banner
    expect_image "$image"
}

expect_image() {
    [ -f "$1" ] || fail "no image"
    local size
    size=$(stat -c %s "$1")
    [ "$size" -eq 65536 ] || fail "the image has $size bytes"
    [ "$(crc32_of "$1")" = a7a72609 ] || fail "the image's CRC-32 is wrong"
}

# The failure ended with status 1 and one line on stderr that names what failed and why;
# the reason is an extended regular expression.
expect_failure() {
    local what=$1 reason=$2
    [ "$status" -eq 1 ] || fail "status $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "stderr: $(cat "$work/err")"
    grep -qxE "pla-eprom: $what: ($reason)" "$work/err" || fail "stderr: $(cat "$work/err")"
}

# Nothing but the named entries is left in the folder.
expect_only() {
    local left
    left=$(ls -A | sort | tr '\n' ' ')
    [ "$left" = "$* " ] || fail "the folder holds: $left"
}

make_old_image() {
    head -c 70000 /dev/urandom >"$image"
    cp "$image" "$work/old"
}

expect_old_image() {
    cmp -s "$image" "$work/old" || fail "the old image was changed"
}

mkdir run && cd run

case $case_name in
run)
    umask 027
    run
    expect_success
    expect_only "$image"
    if [ ${#emulator[@]} -eq 0 ]; then
        [ "$(stat -c %a "$image")" = 640 ] || fail "mode $(stat -c %a "$image"), not 0666 less the umask"
    fi
    ;;
arguments)
    run --help -o other.bin extra
    expect_success
    expect_only "$image"
    ;;
replaces_longer_file)
    make_old_image
    run
    expect_success
    expect_only "$image"
    ;;
removed_folder)
    rmdir "$work/run"
    run
    expect_banner
    expect_failure "$image" "No such file or directory"
    ;;
file_size_limit)
    make_old_image
    # 32 KiB: the write stops half way. SIGXFSZ ignored makes it fail with EFBIG instead.
    status=0
    (ulimit -f 32 && trap '' XFSZ && exec "$program" >"$work/out" 2>"$work/err") || status=$?
    expect_banner
    expect_failure "$image" "File too large"
    expect_old_image
    expect_only "$image"
    ;;
folder_in_place)
    mkdir "$image"
    touch "$image/kept"
    run
    expect_banner
    # Windows refuses to put a file in a folder's place (in wine's words too).
    expect_failure "$image" "Is a directory|Access (is )?denied"
    [ -f "$image/kept" ] || fail "the folder was changed"
    expect_only "$image"
    ;;
stdout_full)
    make_old_image
    status=0
    "$program" >/dev/full 2>"$work/err" || status=$?
    expect_failure "standard output" "No space left on device"
    expect_image "$image"
    expect_only "$image"
    ;;
reader_gone)
    # A pipe whose reading end is closed for certain: the reader has ended.
    exec {pipe}> >(exit 0)
    wait $!
    status=0
    "$program" >&"$pipe" 2>"$work/err" || status=$?
    expect_failure "standard output" "Broken pipe"
    expect_image "$image"
    ;;
read_only_image)
    # Windows keeps a read-only file; wine takes a file without write bits for one.
    make_old_image
    chmod a-w "$image"
    run
    expect_banner
    expect_failure "$image" "Access (is )?denied"
    expect_old_image
    expect_only "$image"
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok: $case_name"
