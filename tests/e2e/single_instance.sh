#!/usr/bin/env bash
# One instance per machine: a second start, with or without a firmware path, opens no
# window and ends by itself with exit code 0, and the first window stays as it was.
source "$(dirname "$0")/lib.sh" "$@"

make_syx "$E2E_WORK/other.syx" 9

export FAKESEQ_PORTS="Pedal MIDI"
start_app
first=$APP_PID
win=$(wait_window "$first" "$TITLE_BUILTIN") || fail "no window titled '$TITLE_BUILTIN'"
import -window "$win" "$E2E_WORK/before.png"

for args in "" "$E2E_WORK/other.syx"; do
    launch ${args:+"$args"}
    second=$APP_PID
    # Watch for a window of the second process for as long as it runs.
    end=$(($(now_ms) + 10000))
    until has_exited "$second"; do
        [ -z "$(xdotool search --onlyvisible --pid "$second" 2>/dev/null)" ] ||
            fail "the second start (${args:-no path}) opened a window"
        [ "$(now_ms)" -lt "$end" ] || fail "the second start (${args:-no path}) still runs after 10 s"
        sleep 0.05
    done
    wait_exit "$second" 0
    expect_eq "$EXIT_CODE" 0 "exit code of a second start (${args:-no path})"
done

APP_PID=$first
sleep 0.5
has_exited "$first" && fail "the first instance ended"
expect_eq "$(xdotool getwindowname "$win")" "$TITLE_BUILTIN" "the first window's title"
expect_eq "$(find_window "$first" "$TITLE_BUILTIN" | wc -l)" 1 "windows of the first instance"
import -window "$win" "$E2E_WORK/after.png"
changed=$(compare -metric AE "$E2E_WORK/before.png" "$E2E_WORK/after.png" null: 2>&1)
expect_eq "$changed" 0 "pixels of the first window that changed"

kill -TERM "$first"
wait_exit "$first" 3000 || fail "the program did not end on SIGTERM"
expect_eq "$EXIT_CODE" 0 "exit code"
