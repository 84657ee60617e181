#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks it: exactly the expected files, a
# desktop entry that starts the installed program and finds its icon at every size, and
# a file type that the freedesktop MIME and desktop databases, built from the installed
# files, give to *.syx files and hand to Flashmere. The prefix is left for the test that
# starts the installed program.
# Usage: check-install.sh <build dir> <expected listing> <prefix>
set -euo pipefail
. "$(dirname "$0")/lib.sh"

build=$1
expected=$2
prefix=$3

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" > "$prefix.log"

expect_tree "$prefix" "$expected" "the installed prefix"

status=0
fail()
{
    echo "FAIL: $*"
    status=1
}

desktop="$prefix/share/applications/flashmere.desktop"

# The command the entry runs is the installed program, given the one file opened.
exec_line=$(desktop_value "$desktop" Exec)
command=${exec_line%% *}
[[ "$command" == flashmere && -x "$prefix/bin/$command" ]] \
    || fail "Exec=$exec_line does not start the installed program, bin/flashmere"
[[ "$exec_line" =~ ^[^%]*%f$ ]] || fail "Exec=$exec_line should pass one file, as its last argument (%f)"

# The icon it names is in the hicolor theme at every size, each PNG really of its size.
icon=$(desktop_value "$desktop" Icon)
sizes=0
for dir in "$prefix"/share/icons/hicolor/*x*/apps; do
    size=$(basename "$(dirname "$dir")")
    file="$dir/$icon.png"
    if [[ ! -f "$file" ]]; then
        fail "no icon $icon in $dir"
        continue
    fi
    [[ "$(png_size "$file")" == "$size" ]] || fail "$file is $(png_size "$file"), not $size"
    sizes=$((sizes + 1))
done
[[ $sizes -eq 9 ]] || fail "the icon comes in $sizes raster sizes, not 9"
[[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ]] || fail "no scalable icon $icon"

# The MIME database types *.syx files with the type the entry says Flashmere opens.
mime_type=$(desktop_value "$desktop" MimeType)
mime_type=${mime_type%;}
[[ -n "$mime_type" && "$mime_type" != *";"* ]] || fail "MimeType=$mime_type: expected one type"

XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" update-mime-database "$prefix/share/mime" > "$prefix.mime.log" 2>&1 || {
    cat "$prefix.mime.log"
    fail "update-mime-database failed"
}
if [[ -s "$prefix.mime.log" ]]; then
    cat "$prefix.mime.log"
    fail "update-mime-database complained about the definition"
fi
grep -qx "50:$mime_type:\*\.syx" "$prefix/share/mime/globs2" \
    || fail "the MIME database does not type *.syx as $mime_type"
[[ -f "$prefix/share/mime/$mime_type.xml" ]] || fail "the MIME database has no entry for $mime_type"
grep -q "<comment>.\+</comment>" "$prefix/share/mime/$mime_type.xml" || fail "$mime_type has no comment"

# The desktop database hands that type to Flashmere's entry.
update-desktop-database "$prefix/share/applications"
grep -qx "$mime_type=flashmere.desktop;" "$prefix/share/applications/mimeinfo.cache" \
    || fail "the desktop database does not open $mime_type with flashmere.desktop"

[[ $status -eq 0 ]] && echo "install tree, desktop entry, icons and file type are as expected"
exit $status
