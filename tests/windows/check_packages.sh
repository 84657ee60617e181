#!/usr/bin/env bash
# The Windows packages, made as a release makes them (cpack in the build folder): the zip
# and the installer hold both programs, the same bytes in each, with the icon in them;
# the installer adds a Start-menu entry, the .syx association and an uninstaller, and the
# uninstaller takes back both. The installer is a 32-bit program, which Debian's 64-bit
# Wine cannot run: its script and its contents are checked instead of an installation.
# Usage: check_packages.sh BUILD_DIR
set -uo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../support/shell_checks.sh"

cd "$build" || exit 1
rm -f Flashmere-*-win64.zip Flashmere-*-win64.exe
cpack > "$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
zip=$(ls Flashmere-*-win64.zip) installer=$(ls Flashmere-*-win64.exe)
script=_CPack_Packages/win64/NSIS/project.nsi

(cd "$work" && unzip -q "$build/$zip" && mkdir installed && cd installed && 7z x -y "$build/$installer" > /dev/null)
portable=$work/${zip%.zip}

for file in Flashmere.exe flashmere-cli.exe LICENSE.txt; do
    check "the zip holds $file" test -s "$portable/$file"
    check "the installer holds the zip's $file" cmp -s "$portable/$file" "$work/installed/$file"
done
check "the installer carries its uninstaller" test -s "$work/installed/Uninstall.exe"

for program in Flashmere.exe flashmere-cli.exe; do
    check "$program carries the icon in 7 sizes" \
        test "$(7z l "$portable/$program" | grep -c '\.rsrc/ICON/')" -eq 7
done

# The entries the installer makes, and the uninstaller's taking them back.
check "a Start-menu entry opens the window" \
    grep -qF 'CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Flashmere.lnk" "$INSTDIR\.\Flashmere.exe"' "$script"
check "the uninstaller removes the entry" grep -qF 'Delete "$SMPROGRAMS\$MUI_TEMP\Flashmere.lnk"' "$script"
check "the installer writes the uninstaller" grep -qF 'WriteUninstaller "$INSTDIR\Uninstall.exe"' "$script"
check "the installer associates .syx files" grep -qx '!insertmacro FlashmereAssociateSyx' "$script"
check "the uninstaller takes the association back" grep -qx '!insertmacro FlashmereForgetSyx' "$script"

echo "$failed failed"
((failed == 0))
