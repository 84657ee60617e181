#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests, as CTest's cross-compiling emulator:
#   wine-run.sh PROGRAM.exe ARGS...   runs it; exits with its exit code
#   wine-run.sh --init                makes the Wine prefix ($WINEPREFIX), once
#   wine-run.sh --stop                ends the prefix's wineserver
# Every Wine call has a time limit (FLASHMERE_WINE_TIMEOUT seconds, 240 by default).
#
# Wine 8.0 crashes as a process ends once MIDI ports were listed (its own MIDI thread):
# Wine then exits with the crash's signal, whatever the program returned. The program's
# own exit code is the one Windows hands a parent process, so the program is started
# from cmd.exe (exit-code.bat), which prints it last on its standard output; that line is
# taken off the output and is the result. Without it (cmd itself failed, or the time ran
# out) the run fails.
set -uo pipefail

: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of the tests}"
export WINEPREFIX WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No prompts to install .NET or a web engine into the prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
limit=${FLASHMERE_WINE_TIMEOUT:-240}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

case "${1:-}" in
    --init)
        mkdir -p "$WINEPREFIX"
        timeout -k 10 "$limit" wineboot --init
        rc=$?
        timeout -k 5 60 wineserver -w
        exit "$rc"
        ;;
    --stop)
        timeout -k 5 30 wineserver -k
        exit 0
        ;;
esac

# Without a display Wine makes no windows, not even JUCE's hidden message window, and
# every message posted from another thread (an upload's progress and its message-thread
# lock) is lost: the program would hang instead of failing.
if [[ -z "${DISPLAY:-}" ]]; then
    echo "wine-run: no DISPLAY; run under xvfb-run" >&2
    exit 125
fi

program=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT

FLASHMERE_WINE_PROGRAM=$(winepath -w "$program" 2> /dev/null) \
    timeout -k 10 "$limit" wine cmd /c "$(winepath -w "$here/exit-code.bat" 2> /dev/null)" "$@" > "$out"
rc=$?

tr -d '\r' < "$out" | grep -v '^flashmere-exit-code: '
code=$(tr -d '\r' < "$out" | sed -n 's/^flashmere-exit-code: \(-\{0,1\}[0-9][0-9]*\)$/\1/p' | tail -1)

if [[ -z "$code" ]]; then
    if [[ "$rc" == 124 || "$rc" == 137 ]]; then
        echo "wine-run: $program did not end within $limit s" >&2
    else
        echo "wine-run: $program gave no exit code (Wine ended with $rc)" >&2
    fi
    exit 125
fi

if ((code < 0 || code > 255)); then
    echo "wine-run: $program ended with $code (a Windows exception or status code)" >&2
    exit 1
fi
exit "$code"
