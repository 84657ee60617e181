#!/usr/bin/env bash
# An upload of a SysEx file named on the command line, by a path with a blank in it: every
# message arrives whole, in order, on the chosen port, with 300 ms of silence on the cable
# after each one, and the button is given back when the pass is done.
source "$(dirname "$0")/lib.sh" "$@"

mkdir "$E2E_WORK/dir with blank"
firmware="$E2E_WORK/dir with blank/fw.syx"
# Long enough that the pass is still running while the screen is looked at.
make_syx "$firmware" 9 40 9 40 9 40 9

export FAKESEQ_PORTS="Other Port;Pedal MIDI"
start_app "$firmware"
win=$(wait_window "$APP_PID" "fw version 0.00") || fail "no window titled 'fw version 0.00'"
echo "ok: title names the file"

choose_output "$win" 2
wait_button "$win" "green enabled"

click "$win" "$UPDATE_X" "$UPDATE_Y"
wait_log_count 2
screenshot updating "$win"
expect_eq "$(button_state "$win")" "green disabled" "update button while uploading"

wait_log_count 7
wait_button "$win" "green enabled" 5
echo "ok: the button is given back after the pass"
sleep 0.5
screenshot completed "$win"
expect_eq "$(log_count)" 7 "messages sent"

expect_eq "$(cut -f1 "$E2E_LOG" | cut -d' ' -f3- | sort -u)" "Pedal MIDI" "port of every message"
expect_eq "$(cut -f2 "$E2E_LOG")" "$(cat "$firmware.hex")" "messages, whole and in order"

# Fields: send start, wire end (seconds). The silence is counted from the end on the wire.
gaps=$(awk 'NR > 1 { printf "%.1f ", ($1 - end) * 1000 } { end = $2 }' "$E2E_LOG")
awk 'NR > 1 && $1 - end < 0.300 { bad = 1 } { end = $2 } END { exit bad }' "$E2E_LOG" ||
    fail "a pause after a message was shorter than 300 ms: $gaps ms"
echo "ok: pauses of at least 300 ms after each message ($gaps ms)"

kill -TERM "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
