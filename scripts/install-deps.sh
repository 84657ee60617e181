#!/usr/bin/env bash
# Installs the Debian 12 packages Flashmere needs, asking apt only when one is missing.
# Usage: scripts/install-deps.sh run|test|windows
#   run:     what building and starting the program needs;
#   test:    that, plus what the test suite needs;
#   windows: that, plus the MinGW-w64 cross-compiler, Wine and NSIS for the Windows build
#            and its tests (scripts/windows.sh).
set -euo pipefail

profile=${1:-run}

run_packages=(
    g++ make cmake pkg-config ccache
    juce-modules-source libasound2-dev
    fonts-dejavu-core
    xvfb xauth x11-utils imagemagick
)
test_packages=(
    libgtest-dev
    xdotool python3
    clang-14 libclang-rt-14-dev clang-format
    desktop-file-utils librsvg2-bin libxml2-utils shared-mime-info libglib2.0-bin dpkg-dev
)

# The "posix" thread flavour of MinGW: the "win32" one has no std::mutex, which JUCE needs.
# Wine's own "wine" package holds the wine and wineserver commands; dpkg-dev unpacks the
# source packages of the image libraries (scripts/build-windows-libs.sh); 7z lists the
# installer's contents.
windows_packages=(
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    wine wine64
    nsis zip p7zip-full dpkg-dev
)

case "$profile" in
    run) wanted=("${run_packages[@]}") ;;
    test) wanted=("${run_packages[@]}" "${test_packages[@]}") ;;
    windows) wanted=("${run_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}") ;;
    *)
        echo "usage: $0 run|test|windows" >&2
        exit 2
        ;;
esac

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if ((EUID != 0)); then
    sudo_cmd=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
