#!/usr/bin/env bash
# The MIDI interface is unplugged after two of three messages: nothing more is sent, the
# program keeps running and says in a box that the update failed, the selector is given
# back showing "(Disconnected)" and the update button is red and disabled, as with no
# output chosen.
source "$(dirname "$0")/lib.sh" "$@"

readonly SELECTOR_AREA=622x30+14+151 # the output selector, in window coordinates

make_syx "$E2E_WORK/fw.syx" 9 40 9

export FAKESEQ_PORTS="Pedal MIDI" FAKESEQ_UNPLUG_AFTER="Pedal MIDI:2"
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "fw version 0.00") || fail "no window titled 'fw version 0.00'"
wait_button "$win" "red disabled"
# The selector has the keyboard focus when the window opens, and shows its ring; at the end
# the focus is elsewhere, so the look to compare with is taken without it.
grab_selector() { import -window "$win" -crop "$SELECTOR_AREA" +repage "$E2E_WORK/$1.png"; }
selector_changes() { compare -metric AE "$E2E_WORK/$1.png" "$E2E_WORK/$2.png" null: 2>&1; }
grab_selector selector-focused
key_on "$win" Tab
end=$(($(now_ms) + 5000))
until grab_selector selector-disconnected && [ "$(selector_changes selector-focused selector-disconnected)" != 0 ]; do
    [ "$(now_ms)" -lt "$end" ] || fail "Tab left the focus ring on the selector"
    sleep 0.1
done

choose_output "$win" 1
wait_button "$win" "green enabled"
click "$win" "$UPDATE_X" "$UPDATE_Y"
wait_log_count 2
box=$(wait_window "$APP_PID" "Update failed" 5) || fail "no box titled 'Update failed'"
echo "ok: the \"Update failed\" box is shown"
screenshot update-failed-box "$box"
key_on "$box" Return
wait_gone "$APP_PID" "Update failed" || fail "the box is still shown after Return"
wait_button "$win" "red disabled" 5
echo "ok: the button is red and disabled once the interface is gone"
sleep 1
screenshot unplugged "$win"

expect_eq "$(log_count)" 2 "messages that arrived"
expect_eq "$(cut -f2 "$E2E_LOG")" "$(head -2 "$E2E_WORK/fw.syx.hex")" "the messages sent before the unplugging"
has_exited "$APP_PID" && fail "the program ended"
echo "ok: the program still runs"

grab_selector selector-now
expect_eq "$(selector_changes selector-disconnected selector-now)" 0 "pixels of the selector that differ from its enabled \"(Disconnected)\" look"

kill -TERM "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
