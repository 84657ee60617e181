#!/usr/bin/env bash
# Makes the Debian package with CPack and checks it: its control fields; dependencies
# that cover every library the program is linked with (as dpkg-shlibdeps found them) and
# the X11 libraries and fonts JUCE opens at run time; no maintainer scripts; exactly the
# expected files under /usr, the program stripped.
# Usage: check-deb.sh <build dir> <expected listing> <version> <work dir>
set -euo pipefail
. "$(dirname "$0")/lib.sh"

build=$1
expected=$2
version=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}

status=0
fail()
{
    echo "FAIL: $*"
    status=1
}

arch=$(dpkg --print-architecture)
deb="$work/flashmere_${version}_${arch}.deb"
[[ -f "$deb" ]] || {
    ls "$work"
    echo "FAIL: no $(basename "$deb")"
    exit 1
}

expect_field()
{
    local actual
    actual=$(dpkg-deb --field "$deb" "$1")
    [[ "$actual" == "$2" ]] || fail "$1: '$actual', expected '$2'"
}
expect_field Package flashmere
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section sound
expect_field Priority optional
expect_field Maintainer "Flashmere developers <flashmere@orvane.example>"

# Package names of a relationship field, one a line, alternatives included.
names_in()
{
    dpkg-deb --field "$deb" "$1" | tr ',|' '\n' | sed 's/^ *//; s/[ (].*//' | grep -v '^$' || true
}
depends=$(names_in Depends)
recommends=$(names_in Recommends)

expect_in()
{
    local list=$1 package=$2 why=$3
    grep -qx "$package" <<< "$list" || fail "$package ($why) is not among: $(one_line "$list")"
}

# Libraries JUCE opens itself, where dpkg-shlibdeps cannot see them, and the fonts it
# draws with, found through fontconfig's configuration: a clean system has none of them.
for package in libx11-6 libxext6 fontconfig-config fonts-dejavu-core; do
    expect_in "$depends" "$package" "needed at run time"
done
for package in libxcursor1 libxinerama1 libxrandr2; do
    expect_in "$recommends" "$package" "used when present"
done

# No maintainer scripts: the icon, desktop and MIME databases are dpkg triggers' work.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v -x -e '' -e control -e md5sums || true)
[[ -z "$scripts" ]] || fail "the package has control files beyond control and md5sums: $(one_line "$scripts")"

# The package that installed a file; with /usr merged into /, the database may know the
# file by its other name.
package_owning()
{
    local path=$1 candidate
    [[ -n "$path" ]] || return 0
    for candidate in "$path" "$(readlink -f "$path")" "${path#/usr}" "/usr$path"; do
        if dpkg -S "$candidate" > /dev/null 2>&1; then
            dpkg -S "$candidate" | head -n 1 | cut -d: -f1
            return 0
        fi
    done
}

# The files, all under /usr.
root="$work/root"
dpkg-deb --extract "$deb" "$root"
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[[ -z "$outside" ]] || fail "files outside /usr: $outside"
expect_tree "$root/usr" "$expected" "the package" || status=1

program="$root/usr/bin/flashmere"
if [[ -f "$program" ]]; then
    # Every library the program is linked with comes from a package it depends on.
    for library in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldd "$program" | awk -v lib="$library" '$1 == lib { print $3 }')
        owner=$(package_owning "$path")
        if [[ -z "$owner" ]]; then
            fail "no package owns $library (${path:-not found})"
            continue
        fi
        expect_in "$depends" "$owner" "provides $library"
    done

    if readelf -S "$program" | grep -q -e '\.symtab' -e '\.debug_info'; then
        fail "the program is not stripped"
    fi
    if readelf -d "$program" | grep -q -e '(RPATH)' -e '(RUNPATH)'; then
        fail "the program looks for libraries in the build's folders: $(readelf -d "$program" | grep PATH)"
    fi
fi

grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/usr/share/doc/flashmere/copyright" || fail "the copyright file is not in the machine-readable format"

if [[ $status -eq 0 ]]; then
    echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
    echo "Depends: $(dpkg-deb --field "$deb" Depends)"
    echo "Recommends: $(dpkg-deb --field "$deb" Recommends)"
fi
exit $status
