#!/usr/bin/env bash
# flashmere-cli.exe under Wine, against the MIDI stand-in preloaded into Wine (whose MIDI
# goes through ALSA). Usage: cli_under_wine.sh WINE_RUN FLASHMERE_CLI_EXE LIBFAKESEQ_PRELOAD
set -uo pipefail

wine_run=$1 cli=$2 preload=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() { # check DESCRIPTION CONDITION...
    local what=$1
    shift
    "$@" || {
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
    }
}

# run PORTS -- ARGS...: sets rc, the output in $work/out and the errors in $work/err.
run() {
    local ports=$1
    shift 2
    LD_PRELOAD="$preload" FAKESEQ_PORTS="$ports" FAKESEQ_LOG="$work/log" \
        "$wine_run" "$cli" "$@" > "$work/out" 2> "$work/err" < /dev/null
    rc=$?
}

# Wine names a port by its ALSA client and port: the stand-in gives both the same name.
run "Pedal MIDI;Other Port" -- list
check "list exits 0 (got $rc)" test "$rc" -eq 0
check "list numbers the ports" diff <(printf '1\tPedal MIDI - Pedal MIDI\n2\tOther Port - Other Port\n') "$work/out"

run "" -- check
check "the built-in image passes the check (got $rc)" test "$rc" -eq 0
check "check counts its messages" grep -qx 'messages: 234' "$work/out"

# A Windows path with blanks, quoted the Windows way, arrives as one path.
mkdir -p "$work/my firmware"
printf '\xf0\x00\x7e\x56\x01\x20\x01\x00\xf7\xf0\x00\x7e\x56\x01\x20\x0f\x00\xf7' > "$work/my firmware/small v2.syx"
windows_path=$(winepath -w "$work/my firmware/small v2.syx" 2> /dev/null)
run "" -- check "$windows_path"
check "a path with blanks is checked (got $rc)" test "$rc" -eq 0
check "it is read whole" grep -qx 'messages: 2' "$work/out"

run "" -- check "$(winepath -w "$work/missing.syx" 2> /dev/null)"
check "a missing file fails the check (got $rc)" test "$rc" -eq 1
check "it is named" grep -q 'File not found' "$work/err"

run "Pedal MIDI" -- send --no-log --port 2 "$windows_path"
check "a port number that is not listed is a port error (got $rc)" test "$rc" -eq 3
check "nothing is sent" test ! -s "$work/log"

run "" -- frobnicate
check "an unknown command is a usage error (got $rc)" test "$rc" -eq 2

echo "$failed failed"
((failed == 0))
