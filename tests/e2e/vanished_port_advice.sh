#!/usr/bin/env bash
# Update pressed on an output unplugged so shortly before that the list has not shown it
# yet: nothing is sent, a box explains, and once the interface is plugged back in the
# update works without a restart. The unplugging and the click race the program's own
# look at the ports; a round that the look wins (the button turns red before the click)
# is tried again.
source "$(dirname "$0")/lib.sh" "$@"

make_syx "$E2E_WORK/fw.syx" 9 12
readonly TITLE="fw version 0.00"

export FAKESEQ_PORTS="Pedal MIDI"
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "$TITLE") || fail "no window titled '$TITLE'"
choose_output "$win" 1
wait_button "$win" "green enabled"

box=
for round in 1 2 3 4 5 6; do
    xdotool mousemove --window "$win" "$UPDATE_X" "$UPDATE_Y"
    sleep 0.2
    unplug "Pedal MIDI"
    xdotool click 1
    if box=$(wait_window "$APP_PID" "" 2); then
        echo "ok: round $round: the box is shown"
        break
    fi
    echo "round $round: the program saw the port go before the click; again"
    plug "Pedal MIDI"
    wait_button "$win" "green enabled" 3
done
[ -n "$box" ] || fail "no box in six rounds"
screenshot vanished-port-box "$box"
expect_eq "$(log_count)" 0 "messages sent"

key_on "$box" Escape
wait_gone "$APP_PID" "" || fail "the box is still shown after Escape"
wait_button "$win" "red disabled" 3

plug "Pedal MIDI"
wait_button "$win" "green enabled" 3
echo "ok: plugged back in, the output is ready again without a restart"
click "$win" "$UPDATE_X" "$UPDATE_Y"
wait_log_count 2
wait_button "$win" "green enabled" 5
expect_eq "$(cut -f2 "$E2E_LOG")" "$(cat "$E2E_WORK/fw.syx.hex")" "the messages sent after the port came back"

kill -TERM "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
