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

# The system's words (extended regular expressions) for the failures the cases provoke:
# strerror's, or those of Windows and wine.
if [ ${#emulator[@]} -eq 0 ]; then
    not_writable="Permission denied" folder_in_the_way="Is a directory"
else
    not_writable="Access (is )?denied" folder_in_the_way="Access (is )?denied"
fi

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
    size=$(stat -L -c %s "$1")
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

expect_mode() {
    local mode
    mode=$(stat -c %a "$1")
    [ "$mode" = "$2" ] || fail "$1 has mode $mode, not $2"
}

# Ends the case as skipped (CTest's SKIP_RETURN_CODE) when the machine cannot run it.
skip() {
    echo "skipped ($case_name): $*"
    exit 77
}

# Runs the program under strace with the given options. The leak checker of a sanitizer
# build cannot work under a tracer, so it is off there.
traced() {
    command -v strace >/dev/null || fail "strace is missing (bash tools/dependencies.sh test installs it)"
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace "$@" -- "$program" >"$work/out" 2>"$work/err"
}

run_traced() {
    status=0
    traced "$@" || status=$?
}

# Root may write anything: a case that needs a user who may not sets as_user to run the
# program as nobody, who must then reach the folder and the program, wherever the build is.
run_as_nobody() {
    id nobody >/dev/null 2>&1 || skip "no user nobody to run as"
    if command -v setpriv >/dev/null; then
        as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
    elif command -v runuser >/dev/null; then
        as_user=(runuser -u nobody --)
    else
        skip "neither setpriv nor runuser is there to run as another user"
    fi
    chmod 0755 "$work"
    cp "$program" "$work/pla-eprom"
    program=$work/pla-eprom
}

mkdir run && cd run

case $case_name in
run)
    # A new image gets 0666 less the umask: these two umasks tell 0666 from 0644 and 0600.
    umask 027
    run
    expect_success
    expect_only "$image"
    if [ ${#emulator[@]} -eq 0 ]; then # Windows has no umask
        expect_mode "$image" 640
        rm "$image"
        umask 002
        run
        expect_success
        expect_mode "$image" 664
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
temporary_names_taken)
    # The next temporary names are taken: a link to a victim, then a stale file. The
    # program must open neither, so a subshell plants them under the pid it then execs.
    make_old_image
    echo victim >"$work/victim"
    status=0
    (
        ln -s "$work/victim" "$image.$BASHPID-0.tmp"
        echo stale >"$image.$BASHPID-1.tmp"
        exec "$program" >"$work/out" 2>"$work/err"
    ) || status=$?
    expect_success
    [ "$(cat "$work/victim")" = victim ] || fail "the link's target was written"
    stale=$(ls -- *-1.tmp)
    [ "$(cat "$stale")" = stale ] || fail "the stale file was changed"
    [ -L "$(ls -- *-0.tmp)" ] || fail "the planted link is gone"
    ;;
keeps_permissions)
    make_old_image
    chmod 0604 "$image"
    umask 022
    run
    expect_success
    expect_mode "$image" 604
    expect_only "$image"
    ;;
keeps_owner)
    [ "$(id -u)" -eq 0 ] || skip "only root can give the old image another owner"
    make_old_image
    chown nobody:nogroup "$image" || skip "no user nobody and group nogroup"
    run
    expect_success
    [ "$(stat -c %U:%G "$image")" = nobody:nogroup ] || fail "owner $(stat -c %U:%G "$image")"
    ;;
symbolic_link)
    # A chain of relative links, the second read from its own folder: the file at the end
    # is replaced, beside itself, and both links stay.
    mkdir data
    ln -s data/current "$image"
    ln -s eprom.bin data/current
    head -c 70000 /dev/urandom >data/eprom.bin
    run
    expect_success
    [ "$(readlink "$image")" = data/current ] || fail "the link was replaced"
    [ "$(readlink data/current)" = eprom.bin ] || fail "the second link was replaced"
    expect_image data/eprom.bin
    expect_only "$image" data
    [ "$(ls -A data | tr '\n' ' ')" = "current eprom.bin " ] || fail "data holds: $(ls -A data)"
    ;;
dangling_link)
    mkdir data
    ln -s data/eprom.bin "$image"
    umask 022
    run
    expect_success
    [ "$(readlink "$image")" = data/eprom.bin ] || fail "the link was replaced"
    expect_mode data/eprom.bin 644
    ;;
read_only_image)
    # Renaming needs only the folder's permission: the folder is the user's, the image
    # is not theirs to write. Root may write anything, so root runs it as nobody.
    # Windows keeps a read-only file from anyone; wine takes a file without write bits
    # for one.
    make_old_image
    chmod 0444 "$image"
    as_user=("${emulator[@]}")
    if [ "$(id -u)" -eq 0 ] && [ ${#emulator[@]} -eq 0 ]; then
        run_as_nobody
        chmod 0777 .
    fi
    status=0
    "${as_user[@]}" "$program" >"$work/out" 2>"$work/err" || status=$?
    sed -i 's/\r$//' "$work/out" "$work/err"
    expect_banner
    expect_failure "$image" "$not_writable"
    expect_old_image
    expect_only "$image"
    ;;
folder_not_writable)
    # The image may be written, its folder not: the temporary file that replaces it whole
    # cannot be made there, and the message says so rather than blame the image.
    make_old_image
    chmod 0666 "$image"
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        run_as_nobody
    fi
    chmod 0555 .
    status=0
    "${as_user[@]}" "$program" >"$work/out" 2>"$work/err" || status=$?
    chmod 0755 .
    expect_banner
    expect_failure "$image" "the temporary file that replaces it whole cannot be created in the folder '\.': Permission denied"
    expect_old_image
    expect_only "$image"
    ;;
own_descriptor)
    # An image name that leads to the program's own standard output is written there, after
    # the banner, to the file the shell appends to; the link stays.
    for target in /dev/stdout /dev/fd/1 /proc/self/fd/1; do
        rm -f "$image"
        ln -s "$target" "$image"
        echo "old line" >"$work/log"
        status=0
        "$program" >>"$work/log" 2>"$work/err" || status=$?
        [ "$status" -eq 0 ] && [ ! -s "$work/err" ] || fail "$target: status $status, stderr: $(cat "$work/err")"
        [ "$(head -1 "$work/log")" = "old line" ] || fail "$target: the old content is lost"
        sed -n 2,3p "$work/log" >"$work/out"
        expect_banner
        tail -c +$(($(head -3 "$work/log" | wc -c) + 1)) "$work/log" >"$work/image"
        expect_image "$work/image"
        [ "$(readlink "$image")" = "$target" ] || fail "the link was replaced"
    done
    ;;
removed_folder)
    rmdir "$work/run"
    run
    expect_banner
    expect_failure "$image" "No such file or directory"
    ;;
file_size_limit)
    make_old_image
    # 32 KiB: the write stops half way. The program ignores SIGXFSZ itself, so it fails
    # with EFBIG and a message whether or not its caller had ignored the signal.
    for caller_ignores in yes no; do
        status=0
        if [ $caller_ignores = yes ]; then
            (ulimit -f 32 && trap '' XFSZ && exec "$program" >"$work/out" 2>"$work/err") || status=$?
        else
            (ulimit -f 32 && exec "$program" >"$work/out" 2>"$work/err") || status=$?
        fi
        expect_banner
        expect_failure "$image" "File too large"
        expect_old_image
        expect_only "$image"
    done
    ;;
terminated)
    # SIGTERM while the data is being synced (strace holds the first fsync for 3 s): the
    # temporary file is removed and the program ends by that signal.
    make_old_image
    traced -o /dev/null -e trace=fsync -e inject=fsync:delay_enter=3s:when=1 &
    tracer=$!
    temporary=
    for _ in $(seq 100); do
        temporary=$(ls -- *.tmp 2>/dev/null || true)
        [ -n "$temporary" ] && [ "$(stat -c %s "$temporary")" -eq 65536 ] && break
        sleep 0.05
    done
    [ -n "$temporary" ] || fail "no temporary file appeared"
    pid=${temporary#"$image".}
    kill -TERM "${pid%-*}"
    status=0
    wait "$tracer" || status=$?
    # strace ends itself by the signal that ended the program.
    [ "$status" -eq $((128 + 15)) ] || fail "status $status, not ended by SIGTERM; stderr: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "stderr: $(cat "$work/err")"
    expect_old_image
    expect_only "$image"
    ;;
zero_length_write)
    # The image's first write returns 0, as a device that takes no more may: a failure,
    # not a reason to try again for ever.
    make_old_image
    run_traced -y -o "$work/trace" -e trace=write -e inject=write:retval=0:when=2
    grep -q "^write([0-9]*<[^>]*/$image\.[0-9]*-0\.tmp>, .* = 0 (INJECTED)" "$work/trace" \
        || fail "the injected write was not the image's: $(cat "$work/trace")"
    expect_banner
    expect_failure "$image" "No space left on device"
    expect_old_image
    expect_only "$image"
    ;;
folder_synced)
    # After the rename, the folder that holds the new name is synced.
    run_traced -y -o "$work/trace" -e trace=rename,renameat,renameat2,fsync
    expect_success
    folder=$(pwd -P)
    awk -v folder="$folder" '
        /^rename.*"82S100_EPROM.bin"\) = 0$/ { renamed = 1 }
        renamed && index($0, "fsync(") == 1 && index($0, "<" folder ">)") && $NF == "0" { synced = 1 }
        END { exit !synced }' "$work/trace" || fail "no fsync of the folder after the rename: $(cat "$work/trace")"
    ;;
folder_in_place)
    mkdir "$image"
    touch "$image/kept"
    run
    expect_banner
    expect_failure "$image" "$folder_in_the_way"
    [ -f "$image/kept" ] || fail "the folder was changed"
    expect_only "$image"
    ;;
device_in_place)
    # A pipe or a device where the image goes is written to, not replaced by a file.
    mkfifo "$image"
    cat "$image" >"$work/piped" &
    reader=$!
    run
    [ -p "$image" ] || { kill "$reader"; fail "the pipe was replaced"; }
    wait "$reader"
    expect_banner
    [ "$status" -eq 0 ] || fail "status $status, stderr: $(cat "$work/err")"
    expect_image "$work/piped"
    rm "$image"
    if mknod "$image" c 1 3 2>/dev/null; then # the null device, where the process may make one
        run
        [ "$status" -eq 0 ] || fail "status $status, stderr: $(cat "$work/err")"
        [ -c "$image" ] || fail "the device was replaced"
    fi
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
*)
    fail "no such case"
    ;;
esac
echo "ok: $case_name"
