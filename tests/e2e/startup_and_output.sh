#!/usr/bin/env bash
# Start-up with the built-in firmware: the window's title and size, and the update button
# that turns from red and disabled to green and enabled when an output is chosen, and back
# when "(Disconnected)" or an output that cannot be opened is chosen.
source "$(dirname "$0")/lib.sh" "$@"

export FAKESEQ_PORTS="Pedal MIDI;Other Port;Broken Port" FAKESEQ_FAIL_OPEN="Broken Port"
start_app
win=$(wait_window "$APP_PID" "$TITLE_BUILTIN") || fail "no window titled '$TITLE_BUILTIN'"

expect_eq "$(xdotool getwindowname "$win")" "$TITLE_BUILTIN" "title"
expect_eq "$(xwininfo -id "$win" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')" \
    "650x400" "window size"
wait_button "$win" "red disabled"
echo "ok: the update button is red and disabled at start"
screenshot idle "$win"

# A click on a disabled button starts nothing.
click "$win" "$UPDATE_X" "$UPDATE_Y"
sleep 0.5
expect_eq "$(log_count)" 0 "messages sent by a click on the disabled button"
[ -z "$(find_window "$APP_PID" "")" ] || fail "a window without a title (a message box?) opened"

SHOT_MENU=combo-list choose_output "$win" 1
wait_button "$win" "green enabled"
echo "ok: choosing \"Pedal MIDI\" makes the button green and enabled"
screenshot ready "$win"

choose_output "$win" 0
wait_button "$win" "red disabled"
echo "ok: choosing \"(Disconnected)\" makes it red and disabled again"

choose_output "$win" 2
wait_button "$win" "green enabled"
echo "ok: choosing \"Other Port\" makes it green and enabled"

choose_output "$win" 3
wait_button "$win" "red disabled"
echo "ok: choosing a port that cannot be opened makes it red and disabled"

kill -TERM "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
