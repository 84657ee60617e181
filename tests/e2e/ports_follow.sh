#!/usr/bin/env bash
# The output list follows the system while the program runs: the MIDI interface plugged
# in after the start can be chosen without a restart; the chosen output unplugged while
# idle shows "(Disconnected)" with the update button red and disabled, and, plugged back
# in, is chosen again by itself and takes an update.
source "$(dirname "$0")/lib.sh" "$@"

# The inside of the output selector, in window coordinates: its text and arrow, without
# the edge where the keyboard focus ring is drawn.
readonly SELECTOR_AREA=596x14+24+159

make_syx "$E2E_WORK/fw.syx" 9 12

# "Other Port" cannot be opened: choosing it leaves the button red, so a green button
# means "Pedal MIDI" was chosen.
export FAKESEQ_PORTS="Other Port" FAKESEQ_FAIL_OPEN="Other Port" FAKESEQ_PLUG_AT="Pedal MIDI:1.5"
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "fw version 0.00") || fail "no window titled 'fw version 0.00'"
wait_button "$win" "red disabled"
import -window "$win" -crop "$SELECTOR_AREA" +repage "$E2E_WORK/selector-disconnected.png"

# Plugged in 1.5 s after the start: its item, second in the list, appears without a restart.
end=$(($(now_ms) + 6000))
until choose_output "$win" 2 && [ "$(button_state "$win")" = "green enabled" ]; do
    [ "$(now_ms)" -lt "$end" ] || fail "the port plugged in late could not be chosen"
    sleep 0.3
done
echo "ok: the port plugged in after the start is listed and chosen"

unplug "Pedal MIDI"
wait_button "$win" "red disabled" 3
sleep 0.3
import -window "$win" -crop "$SELECTOR_AREA" +repage "$E2E_WORK/selector-now.png"
changed=$(compare -metric AE "$E2E_WORK/selector-disconnected.png" "$E2E_WORK/selector-now.png" null: 2>&1)
expect_eq "$changed" 0 "pixels of the selector that differ from its \"(Disconnected)\" look once unplugged"
screenshot unplugged-idle "$win"

plug "Pedal MIDI"
wait_button "$win" "green enabled" 3
echo "ok: plugged back in, the output is chosen again by itself"
screenshot plugged-back "$win"

click "$win" "$UPDATE_X" "$UPDATE_Y"
wait_log_count 2
wait_button "$win" "green enabled" 5
expect_eq "$(cut -f2 "$E2E_LOG")" "$(cat "$E2E_WORK/fw.syx.hex")" "the messages the port plugged back in received"

kill -TERM "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
