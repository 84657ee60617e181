#!/usr/bin/env bash
# A whole session by keyboard alone, the mouse parked outside every window from the start
# (without a window manager the X focus would otherwise follow the pointer: here each
# window must take the focus by itself). The window opens with the focus ring on the
# output selector; Space opens its list and Escape closes it; Down chooses the output; the help is opened with Return, its text and
# then its buttons take the focus, and Escape closes it and gives the focus back to Help;
# Tab goes to "update" and Space starts the update; the interface is unplugged after two of
# three messages, and the "Update failed" box takes the focus and closes with Space; the
# focus is then on Help, and Shift+Tab reaches the selector, past the disabled update
# button. Every step is seen in the focus ring of the control that should have it.
source "$(dirname "$0")/lib.sh" "$@"

# The controls, in window coordinates, as geometry for a crop: the ring lies on their edges.
readonly SELECTOR_AREA=622x30+14+151
readonly UPDATE_AREA=94x30+542+241
readonly HELP_AREA=94x30+542+28

# ring_pixels WINDOW AREA: how many pixels of the area have the focus ring's blue.
ring_pixels()
{
    local total unlike
    import -window "$1" -crop "$2" +repage "$E2E_WORK/area.png" || fail "cannot grab window $1"
    total=$(identify -format '%[fx:w*h]' "$E2E_WORK/area.png")
    unlike=$(compare -metric AE -fuzz 12% "$E2E_WORK/area.png" \
        \( -size "${2%%+*}" xc:'#467fa9' \) null: 2>&1)
    echo $((total - ${unlike%%.*}))
}

# expect_focus WINDOW NAME AREA [OTHER AREAS...]: the ring shows on AREA, and on no other.
expect_focus()
{
    local win=$1 name=$2 area=$3 end count other
    shift 3
    end=$(($(now_ms) + 5000))
    until count=$(ring_pixels "$win" "$area") && ((count >= 150)); do
        [ "$(now_ms)" -lt "$end" ] ||
            fail "no focus ring on the $name ($count pixels of its blue; X focus on window" \
                "$(xdotool getwindowfocus 2>/dev/null), the main window is $win)"
        sleep 0.1
    done
    for other; do
        count=$(ring_pixels "$win" "$other")
        ((count < 20)) || fail "a focus ring outside the $name, at $other ($count pixels)"
    done
    echo "ok: the focus ring is on the $name"
}

expect_x_focus()
{
    wait_x_focus "$1" || fail "the $2 does not have the keyboard focus"
    echo "ok: the $2 has the keyboard focus"
}

make_syx "$E2E_WORK/fw.syx" 9 40 9

export FAKESEQ_PORTS="Pedal MIDI" FAKESEQ_UNPLUG_AFTER="Pedal MIDI:2"
xdotool mousemove 0 0
start_app "$E2E_WORK/fw.syx"
win=$(wait_window "$APP_PID" "fw version 0.00") || fail "no window titled 'fw version 0.00'"
expect_x_focus "$win" "main window"
expect_focus "$win" selector "$SELECTOR_AREA" "$UPDATE_AREA" "$HELP_AREA"
screenshot keys-selector "$win"

xdotool key space
menu=$(wait_window "$APP_PID" menu 5) || fail "Space on the selector did not open its list"
screenshot keys-selector-list
xdotool key Escape
wait_gone "$APP_PID" menu || fail "Escape did not close the selector's list"
expect_x_focus "$win" "main window"
expect_focus "$win" selector "$SELECTOR_AREA" "$UPDATE_AREA" "$HELP_AREA"
echo "ok: Space opened the selector's list and Escape closed it"

xdotool key Down
wait_button "$win" "green enabled"
echo "ok: Down chose the output"

xdotool key Tab Tab
expect_focus "$win" "Help button" "$HELP_AREA" "$SELECTOR_AREA" "$UPDATE_AREA"
screenshot keys-help-button "$win"
xdotool key Return
help=$(wait_window "$APP_PID" " Velamor update help ") || fail "Return on Help showed no help window"
expect_x_focus "$help" "help window"
screenshot keys-help-text "$help"
xdotool key Tab
sleep 0.3
screenshot keys-help-title-button "$help"
xdotool key Escape
wait_gone "$APP_PID" " Velamor update help " || fail "Escape did not close the help window"
echo "ok: Escape closed the help window"
expect_x_focus "$win" "main window"
expect_focus "$win" "Help button" "$HELP_AREA" "$SELECTOR_AREA" "$UPDATE_AREA"

xdotool key shift+Tab
expect_focus "$win" "update button" "$UPDATE_AREA" "$SELECTOR_AREA" "$HELP_AREA"
screenshot keys-update-button "$win"
xdotool key space
wait_log_count 2
box=$(wait_window "$APP_PID" "Update failed" 5) || fail "no box titled 'Update failed'"
expect_x_focus "$box" "\"Update failed\" box"
screenshot keys-failure-box "$box"
xdotool key space
wait_gone "$APP_PID" "Update failed" || fail "the box is still shown after Space"
echo "ok: Space closed the box"

wait_button "$win" "red disabled" 5
expect_x_focus "$win" "main window"
expect_focus "$win" "Help button" "$HELP_AREA" "$SELECTOR_AREA" "$UPDATE_AREA"
xdotool key shift+Tab
expect_focus "$win" selector "$SELECTOR_AREA" "$UPDATE_AREA" "$HELP_AREA"
screenshot keys-after-failure "$win"

expect_eq "$(log_count)" 2 "messages that arrived"
expect_eq "$(cut -f2 "$E2E_LOG")" "$(head -2 "$E2E_WORK/fw.syx.hex")" "the messages sent before the unplugging"

kill -TERM "$APP_PID"
wait_exit "$APP_PID" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
