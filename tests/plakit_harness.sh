# What the black-box scripts of plakit share, sourced after each has set `case_name`, the
# variables that hold its programs (their names in `programs`) and `emulator` (an array,
# empty for programs that run here). Each case runs in a fresh temporary folder, $work.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Under an emulator each program is a script that runs it there, so that every case calls
# it the same way.
if [ ${#emulator[@]} -gt 0 ]; then
    for name in "${programs[@]}"; do
        printf '#!/usr/bin/env bash\nexec%s %q "$@"\n' "$(printf ' %q' "${emulator[@]}")" "${!name}" >"$work/$name"
        chmod +x "$work/$name"
        printf -v "$name" '%s' "$work/$name"
    done
fi

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# Ends the case as skipped (CTest's SKIP_RETURN_CODE) when the platform cannot run it.
skip() {
    echo "skipped ($case_name): $*"
    exit 77
}

# Runs plakit; its status goes to $status, its output to $work/out and $work/err, with
# Windows' CR LF line ends made LF.
run() {
    status=0
    "$plakit" "$@" >"$work/out" 2>"$work/err" || status=$?
    lf_line_ends
}

lf_line_ends() {
    local file
    if [ ${#emulator[@]} -gt 0 ]; then
        for file in "$work/out" "$work/err"; do
            [ ! -f "$file" ] || sed -i 's/\r$//' "$file"
        done
    fi
}

expect_done() {
    [ "$status" -eq 0 ] || fail "status $status, stderr: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "stderr: $(cat "$work/err")"
}

# Status $1 and exactly the line $2 on stderr.
expect_error() {
    [ "$status" -eq "$1" ] || fail "status $status, not $1; stderr: $(cat "$work/err")"
    [ "$(cat "$work/err")" = "$2" ] || fail "stderr: $(cat "$work/err"), not: $2"
}

# Status $1 and one line on stderr that the extended regular expression $2 matches.
expect_error_like() {
    [ "$status" -eq "$1" ] || fail "status $status, not $1; stderr: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" -eq 1 ] && grep -qxE "$2" "$work/err" || fail "stderr: $(cat "$work/err")"
}
