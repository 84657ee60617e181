#!/usr/bin/env bash
# Closing while the built-in firmware is being sent, by the title bar's close button, by
# Alt+F4, by Ctrl-C (SIGINT), by SIGTERM and by a hang-up (SIGHUP, the terminal closed):
# the program stops sending after the message under way and ends promptly with exit code
# 0, leaving a log of what it sent.
source "$(dirname "$0")/lib.sh" "$@"

readonly CLOSE_X=629 CLOSE_Y=15 # the title bar's close button

export FAKESEQ_PORTS="Pedal MIDI"

for how in close-button alt+F4 SIGINT SIGTERM SIGHUP; do
    start_app
    win=$(wait_window "$APP_PID" "$TITLE_BUILTIN") || fail "no window titled '$TITLE_BUILTIN'"
    choose_output "$win" 1
    wait_button "$win" "green enabled"
    click "$win" "$UPDATE_X" "$UPDATE_Y"
    wait_log_count 2

    before=$(log_count)
    case $how in
        close-button) xdotool mousemove --window "$win" "$CLOSE_X" "$CLOSE_Y" click 1 ;;
        alt+F4) xdotool key --window "$win" alt+F4 ;;
        SIG*) kill "-${how#SIG}" "$APP_PID" ;;
    esac

    wait_exit "$APP_PID" 2000 || fail "$how during an upload: still running after 2 s"
    expect_eq "$EXIT_CODE" 0 "$how during an upload: exit code (after $EXIT_MS ms)"
    after=$(log_count)
    ((after - before <= 1)) || fail "$how during an upload: $((after - before)) messages sent after the request"
    echo "ok: $how during an upload: $((after - before)) message(s) after the request, of $before"

    # What went out is in the update's log, written as the program closed.
    newest=$(find "$XDG_STATE_HOME/flashmere/logs" -name '*.log' 2>/dev/null | sort | tail -1)
    [ -n "$newest" ] || fail "$how during an upload: no update log"
    grep -q $'^outcome\tstopped\t' "$newest" || fail "$how during an upload: the log's outcome: $(tail -1 "$newest")"
    expect_eq "$(grep -c $'^message\t' "$newest")" "$after" "$how during an upload: a log line per message sent"
    rm -f "$newest"
done
