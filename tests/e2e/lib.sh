# Shared helpers of the end-to-end tests. Each test runs the real program with the
# stand-in ALSA sequencer preloaded, drives its window with xdotool and reads its pixels
# with ImageMagick. Source it as:  source "$(dirname "$0")/lib.sh" "$@"
# where the script's arguments are <Flashmere> <libfakeseq_preload.so>. The stand-in is
# configured through FAKESEQ_PORTS, FAKESEQ_UNPLUG_AFTER, ..., exported by the script,
# and ports are plugged and unplugged while the program runs with plug and unplug. The
# program keeps its settings in $E2E_CONFIG, a folder of the test's own.
# shellcheck shell=bash disable=SC2034 # what is set here is read by the scripts

set -u

E2E_APP=${1:?usage: $0 <Flashmere> <libfakeseq_preload.so>}
E2E_PRELOAD=${2:?usage: $0 <Flashmere> <libfakeseq_preload.so>}
E2E_NAME=$(basename "$0" .sh)

# The script runs again on a display of its own: other tests of the suite may open
# windows at the same time, and one of theirs on top of ours would take our clicks. The
# display repeats no key: on a busy machine xdotool can hold a key down past the repeat
# delay, and the repeats would go on to whatever has the focus once a box has closed.
if [ -z "${E2E_OWN_DISPLAY:-}" ]; then
    E2E_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -r" bash "$0" "$@"
fi

E2E_WORK=$(mktemp -d "/tmp/flashmere-e2e.XXXXXX")
# The program's update logs go there too, not into the user's own folder.
export XDG_STATE_HOME=$E2E_WORK/state
E2E_LOG=$E2E_WORK/midi.log
E2E_CONTROL=$E2E_WORK/fakeseq.control
E2E_CONFIG=$E2E_WORK/config
E2E_SETTINGS=$E2E_CONFIG/Flashmere/Flashmere.settings
E2E_SHOTS=$(dirname "$E2E_APP")/shots
E2E_PIDS=()
APP_PID=
mkdir -p "$E2E_SHOTS"

# Where things are, in window coordinates: the window has a 26-pixel title bar and a
# 4-pixel border, so the update screen's origin is at (4, 26).
readonly TITLE_BUILTIN="Velamor version 1.01 - R353"
readonly COMBO_X=300 COMBO_Y=166           # the output selector
readonly UPDATE_X=589 UPDATE_Y=256         # the middle of the "update" button
readonly SAMPLE_X=548 SAMPLE_Y=254         # a 5x5 patch of the button left of its text
readonly PARK_X=20 PARK_Y=380              # an empty spot for the mouse to rest on
readonly MENU_ITEM_H=28 MENU_FIRST_PORT_Y=58 # the selector's list: "(Disconnected)", a line, ports

#==============================================================================
cleanup()
{
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill -0 "$pid" 2>/dev/null || continue
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$E2E_WORK"
}
trap cleanup EXIT

now_ms() { date +%s%3N; }

fail()
{
    echo "FAIL: $*" >&2
    import -window root "$E2E_SHOTS/$E2E_NAME-failure.png" 2>/dev/null
    if [ -s "$E2E_LOG" ]; then
        echo "--- MIDI log:" >&2
        cut -c1-120 "$E2E_LOG" >&2
    fi
    if [ -n "$APP_PID" ] && has_exited "$APP_PID"; then
        echo "--- the program has ended (a start ends at once, with no window, while another" \
            "instance runs anywhere on this machine)" >&2
    fi
    if [ -s "$E2E_WORK/app.out" ]; then
        echo "--- program output (X atom warnings left out):" >&2
        grep -v "BadAtom" "$E2E_WORK/app.out" | tail -20 >&2
    fi
    exit 1
}

expect_eq()
{
    [ "$1" = "$2" ] || fail "$3: got '$1', expected '$2'"
    echo "ok: $3"
}

#==============================================================================
# The program

# Runs the program in the background with the stand-in preloaded; APP_PID is its id.
# A program built with AddressSanitizer would refuse a preload that comes before its
# runtime; the stand-in needs none of it, so the order check is switched off.
launch()
{
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 XDG_CONFIG_HOME=$E2E_CONFIG \
        FAKESEQ_LOG=$E2E_LOG FAKESEQ_CONTROL=$E2E_CONTROL LD_PRELOAD=$E2E_PRELOAD "$E2E_APP" "$@" \
        >>"$E2E_WORK/app.out" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}

# Starts the program on a fresh MIDI log, with no port plugged or unplugged yet.
start_app()
{
    : >"$E2E_LOG"
    : >"$E2E_CONTROL"
    launch "$@"
}

# plug NAME, unplug NAME: the stand-in's port comes or goes at the program's next look.
plug() { echo "plug $1" >>"$E2E_CONTROL"; }
unplug() { echo "unplug $1" >>"$E2E_CONTROL"; }

has_exited()
{
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)
    [ -z "$state" ] || [ "$state" = Z ]
}

# wait_exit PID MILLISECONDS: returns 1 if the process still runs then; otherwise sets
# EXIT_CODE and EXIT_MS (how long it took).
wait_exit()
{
    local start end
    start=$(now_ms)
    end=$((start + $2))
    until has_exited "$1"; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.02
    done
    EXIT_MS=$(($(now_ms) - start))
    wait "$1"
    EXIT_CODE=$?
}

#==============================================================================
# Windows

# find_window PID TITLE: the visible windows of that process with exactly that title.
find_window()
{
    local regex
    # shellcheck disable=SC2016 # the $ is the regular expression's
    regex="^$(printf '%s' "$2" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$"
    xdotool search --all --onlyvisible --pid "$1" --name "$regex" 2>/dev/null
}

# wait_window PID TITLE [SECONDS]: prints the window's id once it is shown.
wait_window()
{
    local end id
    end=$(($(now_ms) + ${3:-15} * 1000))
    while [ "$(now_ms)" -lt "$end" ]; do
        id=$(find_window "$1" "$2" | head -1)
        if [ -n "$id" ]; then
            sleep 0.3 # let it paint
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# wait_gone PID TITLE [SECONDS]: waits until no window of that process has that title.
wait_gone()
{
    local end
    end=$(($(now_ms) + ${3:-5} * 1000))
    while [ -n "$(find_window "$1" "$2")" ]; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# wait_x_focus WINDOW [SECONDS]: waits until the window system gives WINDOW the keys.
wait_x_focus()
{
    local end
    end=$(($(now_ms) + ${2:-5} * 1000))
    until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# key_on WINDOW KEY: presses KEY once WINDOW has the keyboard focus, as a person answers
# a box once it has come up: a key pressed before that goes to the window under it.
key_on()
{
    wait_x_focus "$1" || fail "window $1 never had the keyboard focus for $2"
    xdotool key "$2"
}

# click WINDOW X Y, then the mouse rests where it highlights nothing.
click()
{
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.1
    xdotool mousemove --window "$1" "$PARK_X" "$PARK_Y"
    sleep 0.2
}

# choose_output WINDOW INDEX: opens the output selector and clicks an item of its list:
# 0 for "(Disconnected)", 1 for the first port and so on.
choose_output()
{
    local menu y
    xdotool mousemove --window "$1" "$COMBO_X" "$COMBO_Y" click 1
    menu=$(wait_window "$APP_PID" menu 5) || fail "the output selector's list did not open"
    [ -z "${SHOT_MENU:-}" ] || screenshot "$SHOT_MENU" "$1"
    y=$((MENU_FIRST_PORT_Y + ($2 - 1) * MENU_ITEM_H))
    [ "$2" -gt 0 ] || y=16
    xdotool mousemove --window "$menu" 100 "$y" click 1
    sleep 0.1
    xdotool mousemove --window "$1" "$PARK_X" "$PARK_Y"
    sleep 0.3
}

# pixel WINDOW X Y: the mean colour of the 5x5 patch whose top left is (X, Y), as "R G B".
pixel()
{
    import -window "$1" "$E2E_WORK/window.png" || fail "cannot grab window $1"
    convert "$E2E_WORK/window.png" -crop "5x5+$2+$3" +repage -scale '1x1!' -depth 8 \
        -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:
}

# button_state WINDOW: the update button's look: red or green, and disabled (faded, as
# drawn at reduced opacity over the light background) or enabled.
button_state()
{
    local r g b hue
    read -r r g b <<<"$(pixel "$1" "$SAMPLE_X" "$SAMPLE_Y")"
    if ((g > r + 15)); then
        hue=green
    elif ((r > g + 15)); then
        hue=red
    else
        hue="grey($r,$g,$b)"
    fi
    if ((r < 165 || g < 165 || b < 165)); then echo "$hue enabled"; else echo "$hue disabled"; fi
}

# wait_button WINDOW STATE [SECONDS]: waits until button_state gives STATE.
wait_button()
{
    local end state
    end=$(($(now_ms) + ${3:-5} * 1000))
    while :; do
        state=$(button_state "$1")
        [ "$state" = "$2" ] && return 0
        [ "$(now_ms)" -lt "$end" ] || break
        sleep 0.1
    done
    fail "update button: got '$state', expected '$2'"
}

# screenshot NAME [WINDOW]: the screen, cut to the window, into the shots folder.
screenshot()
{
    local X Y WIDTH HEIGHT WINDOW SCREEN
    import -window root "$E2E_WORK/root.png"
    if [ -n "${2:-}" ]; then
        eval "$(xdotool getwindowgeometry --shell "$2")"
        convert "$E2E_WORK/root.png" -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage "$E2E_SHOTS/$1.png"
    else
        cp "$E2E_WORK/root.png" "$E2E_SHOTS/$1.png"
    fi
}

#==============================================================================
# MIDI

log_count() { wc -l <"$E2E_LOG"; }

# wait_log_count N [SECONDS]: waits until at least N messages have been delivered.
wait_log_count()
{
    local end
    end=$(($(now_ms) + ${2:-5} * 1000))
    until [ "$(log_count)" -ge "$1" ]; do
        [ "$(now_ms)" -lt "$end" ] || fail "only $(log_count) of $1 messages arrived"
        sleep 0.05
    done
}

# make_syx FILE LENGTH...: a SysEx file of one message of each length (7 or more), each
# different, that the program takes for the pedal's firmware (its manufacturer and model
# bytes, the message's number as the device number, then counting data bytes). The
# messages are also written as hex, one a line, to FILE.hex.
make_syx()
{
    local file=$1 n=0 length hex k
    shift
    : >"$file.hex"
    for length; do
        hex=$(printf 'f0007e56%02x20' "$n")
        for ((k = 0; k < length - 7; ++k)); do
            hex+=$(printf '%02x' $(((n * 16 + k) & 0x7f)))
        done
        hex+=f7
        echo "$hex" >>"$file.hex"
        n=$((n + 1))
    done
    # shellcheck disable=SC2059 # the format is the bytes
    printf "$(tr -d '\n' <"$file.hex" | sed 's/../\\x&/g')" >"$file"
}
