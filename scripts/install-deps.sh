#!/usr/bin/env bash
# Installs the Debian 12 packages Flashmere needs, asking apt only when one is missing.
# Usage: scripts/install-deps.sh run|test
#   run:  what building and starting the program needs;
#   test: that, plus what the test suite needs.
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

case "$profile" in
    run) wanted=("${run_packages[@]}") ;;
    test) wanted=("${run_packages[@]}" "${test_packages[@]}") ;;
    *)
        echo "usage: $0 run|test" >&2
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
