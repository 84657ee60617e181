#!/usr/bin/env bash
# A firmware path that names no file: the "File not found" box comes first, before the main
# window; once it is dismissed with Return the main window offers the built-in firmware.
source "$(dirname "$0")/lib.sh" "$@"

export FAKESEQ_PORTS="Pedal MIDI"
start_app /no/such/file.syx
box=$(wait_window "$APP_PID" "File not found") || fail "no window titled 'File not found'"
echo "ok: the \"File not found\" box is shown"
screenshot file-not-found "$box"
[ -z "$(find_window "$APP_PID" "$TITLE_BUILTIN")" ] || fail "the main window is shown before the box is dismissed"
echo "ok: the main window is not shown yet"

key_on "$box" Return
win=$(wait_window "$APP_PID" "$TITLE_BUILTIN" 5) || fail "no main window titled '$TITLE_BUILTIN' after Return"
[ -z "$(find_window "$APP_PID" "File not found")" ] || fail "the box is still shown"
echo "ok: after Return the box is gone and the main window offers the built-in firmware"
wait_button "$win" "red disabled"

kill -INT "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGINT"
expect_eq "$EXIT_CODE" 0 "exit code"
