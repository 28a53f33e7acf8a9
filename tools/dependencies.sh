#!/usr/bin/env bash
# Installs the Debian packages that one purpose needs and the machine lacks; installs
# nothing when all are there.
# Usage: bash tools/dependencies.sh build|test|bench|package|windows|web|release|ci
#   build    building both programs (and their compressed manual pages)
#   test     build, plus what the tests need (cmake --workflow --preset dev or clang)
#   bench    test, plus what bench/callgrind_ratio.sh needs
#   package  build, plus what cpack needs for the .deb (cmake --workflow --preset package)
#   windows  test, plus the Windows cross build and wine (cmake --workflow --preset windows)
#   web      build, plus emscripten, node and the browser the page's tests drive
#            (cmake --workflow --preset web)
#   release  package, windows and web, plus git and diffoscope (tools/release.sh,
#            tools/reproducible.sh)
#   ci       test, package, windows, web and release, plus what the other checks of .ci/run need
set -euo pipefail

# A package goes in the first list whose purpose needs it.
build_packages=(cmake make g++ libcli11-dev gzip)
test_packages=(clang libgtest-dev googletest libbenchmark-dev strace util-linux mame-tools iverilog ghdl yosys)
bench_packages=(valgrind)
package_packages=(dpkg-dev file)
windows_packages=(g++-mingw-w64-x86-64-posix wine64)
web_packages=(emscripten nodejs npm eslint chromium chromium-driver python3-selenium)
release_packages=(git diffoscope-minimal)
ci_packages=(clang-tidy clang-format cppcheck libclang-rt-14-dev mandoc lintian python3)

fail() {
    echo "tools/dependencies.sh: $*" >&2
    exit 1
}

case ${1:-} in
build) wanted=("${build_packages[@]}") ;;
test) wanted=("${build_packages[@]}" "${test_packages[@]}") ;;
bench) wanted=("${build_packages[@]}" "${test_packages[@]}" "${bench_packages[@]}") ;;
package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
windows) wanted=("${build_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}") ;;
web) wanted=("${build_packages[@]}" "${web_packages[@]}") ;;
release)
    wanted=("${build_packages[@]}" "${test_packages[@]}" "${package_packages[@]}" "${windows_packages[@]}"
        "${web_packages[@]}" "${release_packages[@]}")
    ;;
ci)
    wanted=("${build_packages[@]}" "${test_packages[@]}" "${package_packages[@]}" "${windows_packages[@]}"
        "${web_packages[@]}" "${release_packages[@]}" "${ci_packages[@]}")
    ;;
*)
    echo "usage: bash tools/dependencies.sh build|test|bench|package|windows|web|release|ci" >&2
    exit 2
    ;;
esac

command -v dpkg-query >/dev/null || fail "no dpkg-query: this script knows Debian's packages only; install ${wanted[*]} yourself"

missing=()
for package in "${wanted[@]}"; do
    # Some builds of nodejs carry npm themselves and conflict with Debian's npm package.
    [ "$package" = npm ] && command -v npm >/dev/null && continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -gt 0 ] || exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || fail "${missing[*]} missing, and installing needs root (or sudo)"
    as_root=(sudo)
fi
log=$(mktemp)
if ! {
    "${as_root[@]}" apt-get update -qq &&
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
} >"$log" 2>&1; then
    fail "could not install ${missing[*]} (apt-get's output is in $log)"
fi
rm -f "$log"
echo "tools/dependencies.sh: installed ${missing[*]}"
