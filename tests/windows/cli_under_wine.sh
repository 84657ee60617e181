#!/usr/bin/env bash
# flashmere-cli.exe under Wine, against the MIDI stand-in preloaded into Wine (whose MIDI
# goes through ALSA): list, check, a byte-exact send with its pauses, an unplug, Ctrl-C.
# Usage: cli_under_wine.sh WINE_RUN FLASHMERE_CLI_EXE LIBFAKESEQ_PRELOAD
set -uo pipefail

wine_run=$1 cli=$2 preload=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tool=("$wine_run" "$cli")
source "$(dirname "$0")/../support/shell_checks.sh"

# Wine names a port by its ALSA client and port: the stand-in gives both the same name.
run "Pedal MIDI;Other Port" -- list
check "list exits 0 (got $rc)" test "$rc" -eq 0
check "list numbers the ports" diff <(printf '1\tPedal MIDI - Pedal MIDI\n2\tOther Port - Other Port\n') "$work/out"

# The help tells what stops a run on Windows and where the logs go there.
run "" -- send --help
check "the help names Windows' stops and folders" \
    grep -q 'Ctrl-C or Ctrl-Break stops' "$work/out"
check "and none of Linux's" bash -c "! grep -q 'SIGTERM\|XDG_STATE_HOME' '$work/out'"

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

# A send, byte for byte, with the pedal's pause after each message as the stand-in saw it:
# from the end of a message on the cable to the start of the next, at least 300 ms. (A
# busy machine only makes the pause longer, so the bound cannot fail for load.)
run "Pedal MIDI" -- send --no-log --port 1 "$windows_path"
check "the send completes (got $rc)" test "$rc" -eq 0
check "it says so" grep -qx 'completed: sent 2 of 2 messages' "$work/out"
check "every byte arrives, message by message, in order" \
    diff <(od -An -v -tx1 "$work/my firmware/small v2.syx" | tr -d ' \n') <(cut -f2 "$work/log" | tr -d '\n')
check "each message arrives whole" test "$(wc -l < "$work/log")" -eq 2
pauses=$(awk 'NR > 1 { printf "%.1f\n", ($1 - wire_end) * 1000 } { wire_end = $2 }' "$work/log")
echo "pauses after each message but the last, as the stand-in saw them (ms): $pauses"
check "the pause after a message is at least 300 ms" awk '$1 < 300 { exit 1 }' <<< "$pauses"

# The interface test through WinMM's MIDI in and out, against the stand-in's looped port
# (Wine's MIDI goes through ALSA): a clean loop is fit, a byte flipped on the way back is not.
run "" FAKESEQ_LOOPBACK=Loop -- loopback --port 1 --input 1 --file "$windows_path"
check "the interface test finds a clean loop fit (got $rc)" test "$rc" -eq 0
check "it says so" grep -qx 'verdict: fit for firmware updates' "$work/out"
run "" FAKESEQ_LOOPBACK=Loop FAKESEQ_LOOP_FAULT=flip:2:5 -- loopback --port 1 --input 1 --file "$windows_path"
check "a byte flipped on the way back makes it unfit (got $rc)" test "$rc" -eq 1
check "and is named" grep -q '^verdict: byte 5 of message 2 differs' "$work/out"

# An interface unplugged after the first message. Wine lists its ALSA MIDI ports once, when
# the program starts, so the port stays listed and Flashmere cannot tell that it went: the
# update's verdict is printed, not checked (on Windows the port leaves the list, which
# Flashmere checks after every message). That the upload goes on to its end without
# hanging or crashing is checked.
run "Pedal MIDI" FAKESEQ_UNPLUG_AFTER="Pedal MIDI:1" -- send --no-log --port 1 "$windows_path"
echo "after an unplug under Wine: exit code $rc, $(tail -1 "$work/out")"
check "an unplug mid-update ends the upload (got $rc)" test "$rc" -le 1
check "nothing arrives after the unplug" test "$(wc -l < "$work/log")" -eq 1

# Ctrl-C during the built-in image: Wine turns SIGINT to the program's process into the
# console's Ctrl-C event, which stops the upload after the current message and its pause.
: > "$work/log"
LD_PRELOAD="$preload" FAKESEQ_PORTS="Pedal MIDI" FAKESEQ_LOG="$work/log" \
    "$wine_run" "$cli" send --no-log --port 1 > "$work/out" 2> "$work/err" < /dev/null &
runner=$!
for _ in $(seq 1 300); do
    [[ $(wc -l < "$work/log") -ge 2 ]] && break
    sleep 0.1
done
# The program's own process: Wine starts it on its own (its parent is init), in this
# session, with its Windows path and these arguments.
win_cli=$(winepath -w "$cli" 2> /dev/null)
session=$(ps -o sid= -p $$ | tr -d ' ')
program=$(ps -eo pid=,sid=,args= | want="$win_cli send --no-log --port 1" awk -v sid="$session" \
    '$2 == sid { pid = $1; $1 = ""; $2 = ""; sub(/^ +/, ""); if ($0 == ENVIRON["want"]) { print pid; exit } }')
at_signal=$(wc -l < "$work/log")
if [[ -n "$program" ]]; then kill -INT "$program"; fi
wait "$runner"
rc=$?
sent=$(wc -l < "$work/log")
check "the program's process was found" test -n "$program"
check "Ctrl-C exits 130 (got $rc)" test "$rc" -eq 130
check "it says it stops after the current message" grep -q 'stopping after the current message' "$work/err"
check "at most the current message goes out after Ctrl-C ($at_signal, then $sent)" test "$sent" -le $((at_signal + 1))

run "" -- frobnicate
check "an unknown command is a usage error (got $rc)" test "$rc" -eq 2

echo "$failed failed"
((failed == 0))
