#!/usr/bin/env bash
# Makes every file a user downloads, from the commit checked out, into one folder:
#   pla-eprom_VERSION_amd64.deb             deb   the Debian package (g++, Release)
#   pla-eprom-VERSION-Linux.tar.gz          tgz   the same files, to unpack anywhere
#   pla-eprom-VERSION-windows-x86_64.zip    zip   the Windows programs (mingw-w64)
#   plakit-VERSION.html                     page  the page: one file, works offline
#   SHA256SUMS                                    sha256sum's line for each of them
# Usage: bash tools/release.sh [--only deb,tgz,zip,page] [FOLDER]
#   FOLDER defaults to build/release-files; --only makes some of the files (a check's use).
#
# The same commit makes the same files byte for byte, wherever and whenever it is built:
# the sources are the commit's (git archive, never the working tree); every time inside is
# the commit's (SOURCE_DATE_EPOCH, which cpack, the linkers and this script use); no build
# folder's path is kept (the compilers' prefix maps, CMakeLists.txt); and the archives hold
# their members in name order, owned by root, with fixed permissions. tools/reproducible.sh
# makes the files twice, in two folders, and compares them.
set -euo pipefail

fail() {
    echo "tools/release.sh: $*" >&2
    exit 1
}
usage() {
    echo "usage: bash tools/release.sh [--only deb,tgz,zip,page] [FOLDER]" >&2
    exit 2
}

only=deb,tgz,zip,page
if [ "${1:-}" = --only ]; then
    [ $# -ge 2 ] || usage
    only=$2
    shift 2
fi
[ $# -le 1 ] || usage
[[ ${1:-} != -* ]] || usage
wanted() { [[ ,$only, == *,$1,* ]]; }
IFS=, read -ra kinds <<<"$only"
[ ${#kinds[@]} -gt 0 ] || usage
for kind in "${kinds[@]}"; do
    case $kind in deb | tgz | zip | page) ;; *) usage ;; esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
output=${1:-$root/build/release-files}
command -v git >/dev/null || fail "no git: the release is made from a commit"
git -C "$root" rev-parse --verify -q HEAD >/dev/null || fail "$root is not a git checkout with a commit"
# What is not committed would not go in: say so rather than leave it out unseen.
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    fail "uncommitted changes in $root: commit or stash them (the release is made from HEAD)"
fi
commit=$(git -C "$root" rev-parse HEAD)

# Every time written into a file is the commit's, and the rest of the environment that could
# reach a file is fixed. No compiler launcher (ccache): the release is compiled, not recalled.
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
unset LANG LANGUAGE CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER CMAKE_GENERATOR MAKEFLAGS
# emscripten's linker needs Debian's node modules (the web preset sets this for its own runs).
export NODE_PATH=/usr/share/nodejs
umask 022

work=$root/build/release-work
rm -rf "$work"
mkdir -p "$work/source" "$work/stage"
git -C "$root" archive --format=tar "$commit" | tar -xf - -C "$work/source"

# Runs the rest in the work folder, its output to LOG; on failure shows the end of it.
run() {
    local log=$1
    shift
    (cd "$work" && "$@") >>"$work/$log" 2>&1 || {
        tail -n 30 "$work/$log" >&2
        fail "failed: $* (all of it in $work/$log)"
    }
}
# Configures PRESET into its own folder and builds TARGETS there: no tests (CI runs them).
build() {
    local preset=$1
    shift
    echo "tools/release.sh: building $preset"
    run "$preset.log" cmake -S source --preset "$preset" -B "$preset" -DPLA_EPROM_TESTS=OFF -DPLA_EPROM_BENCHMARKS=OFF \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=OFF
    run "$preset.log" cmake --build "$preset" -j 2 --target "$@"
}
# Installs a build's files, stripped, under stage/NAME.
stage() {
    run "$1.log" cmake --install "$1" --strip --prefix "stage/$2"
}
# The .tar.gz of stage/NAME: members in name order, root's, no time but the commit's, and
# gzip without a name or time of its own.
tar_gz() {
    (cd "$work/stage" && tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner --mode=u+rw,go=rX \
        --mtime="@$SOURCE_DATE_EPOCH" -cf - "$1" | gzip -9n) >"$work/$1.tar.gz"
}
# The .zip of stage/NAME, with Python's zipfile: members in name order, their times the
# commit's (zip keeps local time without a zone; TZ is UTC), their Unix permissions, and no
# extra fields (owners, other times).
zip_folder() {
    (cd "$work/stage" && /usr/bin/python3 - "$1" "$work/$1.zip") <<'EOF'
import os, sys, time, zipfile
top, out = sys.argv[1], sys.argv[2]
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
names = [top]
for folder, subfolders, files in os.walk(top):
    names += [os.path.join(folder, name) for name in subfolders + files]
with zipfile.ZipFile(out, "w") as archive:
    for name in sorted(names):
        folder = os.path.isdir(name)
        info = zipfile.ZipInfo(name + "/" if folder else name, date_time=stamp)
        info.create_system = 3
        info.external_attr = (0o40755 if folder else 0o100755 if os.stat(name).st_mode & 0o111 else 0o100644) << 16
        if folder:
            archive.writestr(info, b"")
        else:
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(name, "rb") as data:
                archive.writestr(info, data.read(), compresslevel=9)
EOF
}

version=$(sed -n 's/^project(pla-eprom VERSION \([0-9.]*\) .*/\1/p' "$work/source/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
deb=pla-eprom_${version}_amd64.deb
tgz=pla-eprom-$version-Linux
zip=pla-eprom-$version-windows-x86_64
page=plakit-$version.html
files=()

if wanted deb || wanted tgz; then
    build release all
    if wanted deb; then
        run release.log cpack --config release/CPackConfig.cmake -G DEB -B packages
        cp "$work/packages/$deb" "$work/"
        files+=("$deb")
    fi
    if wanted tgz; then
        stage release "$tgz"
        tar_gz "$tgz"
        files+=("$tgz.tar.gz")
    fi
fi
if wanted zip; then
    build windows all
    stage windows "$zip"
    zip_folder "$zip"
    files+=("$zip.zip")
fi
if wanted page; then
    build web plakit_page
    cp "$work/web/web/plakit.html" "$work/$page"
    files+=("$page")
fi

rm -rf "$output"
mkdir -p "$output"
for file in "${files[@]}"; do
    cp "$work/$file" "$output/"
done
(cd "$output" && sha256sum "${files[@]}" >SHA256SUMS)
echo "tools/release.sh: pla-eprom $version, commit $commit, in $output:"
(cd "$output" && ls -l "${files[@]}" SHA256SUMS)
