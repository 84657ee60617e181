#!/usr/bin/env bash
# The output of the last completed update is chosen at the next start, at once when it
# is plugged in, or as soon as it is; a damaged settings file is ignored without a box or
# a delay, and replaced by the next completed update.
source "$(dirname "$0")/lib.sh" "$@"

make_syx "$E2E_WORK/fw.syx" 9 12
readonly TITLE="fw version 0.00"

# stop_app: SIGTERM, and the program ends with exit code 0.
stop_app()
{
    kill -TERM "$APP_PID"
    wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
    expect_eq "$EXIT_CODE" 0 "exit code"
}

# update_completes: update pressed on the chosen output, both messages arrive, and the
# button comes back with no box.
update_completes()
{
    click "$win" "$UPDATE_X" "$UPDATE_Y"
    wait_log_count 2
    wait_button "$win" "green enabled" 5
    [ -z "$(find_window "$APP_PID" "")" ] || fail "a window without a title (a message box?) opened"
    echo "ok: the update completed"
}

# "Other Port" cannot be opened, so a green button means "Pedal MIDI" is chosen.
export FAKESEQ_PORTS="Other Port;Pedal MIDI" FAKESEQ_FAIL_OPEN="Other Port"
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "$TITLE") || fail "no window titled '$TITLE'"
wait_button "$win" "red disabled"
echo "ok: no output is chosen at the first start"
choose_output "$win" 2
wait_button "$win" "green enabled"
update_completes
grep -q 'Pedal MIDI' "$E2E_SETTINGS" || fail "the output is not in $E2E_SETTINGS"
stop_app

start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "$TITLE") || fail "no window titled '$TITLE'"
wait_button "$win" "green enabled" 2
echo "ok: at the next start the remembered output is chosen"
screenshot remembered "$win"
stop_app

# Unplugged as the program starts, back 2 s later.
export FAKESEQ_UNPLUG_AT="Pedal MIDI:0" FAKESEQ_PLUG_AT="Pedal MIDI:2"
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "$TITLE") || fail "no window titled '$TITLE'"
wait_button "$win" "red disabled"
wait_button "$win" "green enabled" 5
echo "ok: plugged in after the start, the remembered output is chosen by itself"
stop_app

# A damaged file: the start is as without one.
head -c 3000 /dev/urandom >"$E2E_SETTINGS"
export FAKESEQ_UNPLUG_AT= FAKESEQ_PLUG_AT=
started=$(now_ms)
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "$TITLE") || fail "no window titled '$TITLE'"
shown_ms=$(($(now_ms) - started))
((shown_ms < 5000)) || fail "the window took $shown_ms ms to show"
wait_button "$win" "red disabled"
[ -z "$(find_window "$APP_PID" "")" ] || fail "a window without a title (a message box?) opened"
echo "ok: a damaged settings file is ignored (window after $shown_ms ms, no box)"
choose_output "$win" 2
wait_button "$win" "green enabled"
update_completes
grep -q 'Pedal MIDI' "$E2E_SETTINGS" || fail "the damaged file was not replaced"
stop_app
