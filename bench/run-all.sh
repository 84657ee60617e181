#!/usr/bin/env bash
# Builds Flashmere and its benchmarks (Release, in build/bench), runs every benchmark in
# real time and writes the figures, beside their targets, into docs/performance.md.
#
# Usage: bench/run-all.sh [--quick]
#   --quick  a smoke run of the benchmark tools (two start-ups, two closes, a pass of a
#            few messages each way; no idle or CPU run) in about a minute; it writes
#            build/bench/results/performance-quick.md and leaves docs/ alone.
# The whole run takes about nine minutes, most of it in four real-time uploads of 79 s (the
# last of them eight flashmere-cli at once).
# Environment: FLASHMERE_BENCH_BUILD (build folder), FLASHMERE_BENCH_JOBS (build jobs),
# FLASHMERE_BENCH_SEED (the close benchmark's random seed).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${FLASHMERE_BENCH_BUILD:-$root/build/bench}
results=$build/results
quick=0

for argument in "$@"; do
    case $argument in
        --quick) quick=1 ;;
        *)
            echo "usage: $0 [--quick]" >&2
            exit 2
            ;;
    esac
done

# The benchmarks run the real program, which allows one instance per machine (a lock
# file in /var/tmp). Where it can, the run gets a /var/tmp of its own, so that it neither
# meets nor disturbs a Flashmere started by someone else, or by the end-to-end tests.
if [[ -z "${FLASHMERE_BENCH_ISOLATED:-}" ]] && ((EUID == 0)) \
    && unshare --mount --propagation private true 2>/dev/null; then
    export FLASHMERE_BENCH_ISOLATED=1
    exec unshare --mount --propagation private \
        bash -c 'mount -t tmpfs flashmere-bench /var/tmp && exec bash "$0" "$@"' "$0" "$@"
fi

#==============================================================================
# Build

if [[ -z "${FLASHMERE_BENCH_BUILT:-}" ]]; then
    "$root/scripts/install-deps.sh" test

    # What the benchmarks need beyond the tests: the X Damage and XTest libraries.
    missing=()
    for package in libxdamage-dev libxtst-dev; do
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || missing+=("$package")
    done
    if ((${#missing[@]} > 0)); then
        sudo_cmd=()
        ((EUID == 0)) || sudo_cmd=(sudo)
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}" \
            || { "${sudo_cmd[@]}" apt-get update -q && DEBIAN_FRONTEND=noninteractive \
                "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; }
    fi

    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFLASHMERE_BUILD_BENCHMARKS=ON \
        -DFLASHMERE_SANITIZER= >/dev/null
    cmake --build "$build" -j "${FLASHMERE_BENCH_JOBS:-$(nproc)}" \
        --target Flashmere flashmere-cli fakeseq_preload flashmere_bench_pacing flashmere_bench_ports flashmere_bench_app \
        flashmere_bench_idle_reference flashmere_bench_parallel_cli
    export FLASHMERE_BENCH_BUILT=1
fi

# The program's windows go to a virtual display of their own, with no window manager:
# the same every time, and nobody's pointer in the way.
if [[ -z "${FLASHMERE_BENCH_DISPLAY:-}" ]]; then
    export FLASHMERE_BENCH_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

#==============================================================================
# Run

mkdir -p "$results"
rm -f "$results"/*.txt

# run NAME COMMAND...: one benchmark; its output goes to the terminal and to NAME.txt.
# A missed target (exit 1) does not stop the run; a broken benchmark (other codes) does.
run()
{
    local name=$1 code
    shift
    echo
    set +e
    "$@" 2>&1 | tee "$results/$name.txt"
    code=${PIPESTATUS[0]}
    set -e
    if ((code > 1)); then
        echo "bench/run-all.sh: the $name benchmark failed (exit code $code)" >&2
        exit 1
    fi
}

echo "Load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"

if ((quick)); then
    run startup "$build/flashmere_bench_app" startup --runs 2
    run close "$build/flashmere_bench_app" close --runs 2 ${FLASHMERE_BENCH_SEED:+--seed "$FLASHMERE_BENCH_SEED"}
    run pacing-nonblocking "$build/flashmere_bench_pacing" --baud 0 --messages 4
    run pacing-blocking "$build/flashmere_bench_pacing" --baud 31250 --messages 4
    run pacing-slowchecks "$build/flashmere_bench_pacing" --baud 0 --slow-checks 150 --messages 4
    run pacing-shared "$build/flashmere_bench_pacing" --baud 0 --slow-checks 150 --other-writers 3 --messages 4
    run ports "$build/flashmere_bench_ports" --runs 3
    run parallel-cli "$build/flashmere_bench_parallel_cli" --messages 4
else
    # The short, load-sensitive ones first.
    run startup "$build/flashmere_bench_app" startup --runs 12
    run close "$build/flashmere_bench_app" close --runs 24 ${FLASHMERE_BENCH_SEED:+--seed "$FLASHMERE_BENCH_SEED"}
    run ports "$build/flashmere_bench_ports" --runs 10
    run cpu "$build/flashmere_bench_app" cpu
    run pacing-nonblocking "$build/flashmere_bench_pacing" --baud 0
    run pacing-blocking "$build/flashmere_bench_pacing" --baud 31250
    # A loaded machine: every question about the ports takes up to 150 ms.
    run pacing-slowchecks "$build/flashmere_bench_pacing" --baud 0 --slow-checks 150 --messages 60
    # The same, with three other programs writing to the port: each check asks about them too.
    run pacing-shared "$build/flashmere_bench_pacing" --baud 0 --slow-checks 150 --other-writers 3 --messages 60
    run parallel-cli "$build/flashmere_bench_parallel_cli"
fi

#==============================================================================
# Report

# fig NAME KEY: a figure from a benchmark's output ("key: value"), or "?" when absent.
fig()
{
    local value
    value=$(sed -n "s/^$2: //p" "$results/$1.txt" 2>/dev/null | tail -1)
    echo "${value:-?}"
}

# Whether a figure is within a bound: within VALUE MAX.
within() { awk -v v="$1" -v m="$2" 'BEGIN { exit !(v != "?" && v + 0 <= m + 0) }'; }
verdict() { if "$@"; then echo "**met**"; else echo "**missed**"; fi; }

pass_row()
{
    local name=$1 label=$2 k="pass.$3"
    echo "| $label | within 0.5 % of the limit; no gap short of 300 ms" \
        "| $(fig "$name" "$k.total_s") s against $(fig "$name" "$k.limit_s") s" \
        "($(fig "$name" "$k.excess_percent") % over); shortest gap $(fig "$name" "$k.gap_min_ms") ms," \
        "$(fig "$name" "$k.gap_short_count") short; gap error p99 $(fig "$name" "$k.gap_error_p99_ms") ms," \
        "worst $(fig "$name" "$k.gap_error_worst_ms") ms" \
        "| $(verdict [ "$(fig "$name" "$k.verdict")" = met ]) |"
}

machine_row()
{
    echo "| $1 | $(fig "$2" machine.load_at_start) | $(fig "$2" machine.load_at_end) | $(fig "$2" machine.busy_percent) % |"
}

if ((quick)); then
    report=$results/performance-quick.md
else
    report=$root/docs/performance.md
fi
mkdir -p "$(dirname "$report")"

idle_before=$(fig cpu idle.before.cpu_percent)
idle_after=$(fig cpu idle.after.cpu_percent)

{
    echo "# Performance"
    echo
    echo "Flashmere's speed is not raw throughput. It is pacing that is exactly as slow as the"
    echo "pedal needs and no slower, a window that appears at once, a close that is instant even"
    echo "during an upload, and a program that costs nothing while it waits. These figures come"
    echo "from \`bench/run-all.sh\`$( ((quick)) && echo " --quick (a smoke run: too few runs to judge by)"), run on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    echo "## Figures"
    echo
    echo "| What | Target | Figure | Verdict |"
    echo "|---|---|---|---|"
    pass_row pacing-nonblocking "A whole upload of the built-in image, sends return at once (as ALSA's do)" nonblocking
    pass_row pacing-blocking "The same, sends block for their wire time at 31250 baud (a blocking driver)" blocking
    k=pass.nonblocking_slowchecks
    echo "| The first $(fig pacing-slowchecks "$k.messages") messages, sends return at once, every check of the port takes up to 150 ms (a loaded machine) | no gap short of 300 ms (the pass is longer by the checks' time)" \
        "| shortest gap $(fig pacing-slowchecks "$k.gap_min_ms") ms, $(fig pacing-slowchecks "$k.gap_short_count") short; gap error median $(fig pacing-slowchecks "$k.gap_error_median_ms") ms" \
        "| $(verdict [ "$(fig pacing-slowchecks "$k.verdict")" = met ]) |"
    k=pass.nonblocking_slowchecks_shared
    echo "| The same with three other programs writing to the port, accepted for the pass (each check asks about them too) | no gap short of 300 ms" \
        "| shortest gap $(fig pacing-shared "$k.gap_min_ms") ms, $(fig pacing-shared "$k.gap_short_count") short; pass $(fig pacing-shared "$k.total_s") s against $(fig pacing-slowchecks pass.nonblocking_slowchecks.total_s) s without them" \
        "| $(verdict [ "$(fig pacing-shared "$k.verdict")" = met ]) |"
    echo "| $(fig parallel-cli parallel.passes) flashmere-cli sending the built-in image at once, each to a stand-in of its own with blocking sends at 31250 baud, on $(fig parallel-cli machine.cores) cores" \
        "| every pass within 0.5 % of the limit, from the first send to the process's exit; no gap short of 300 ms" \
        "| worst pass $(fig parallel-cli parallel.worst.total_s) s against $(fig parallel-cli parallel.limit_s) s ($(fig parallel-cli parallel.worst.excess_percent) % over);" \
        "shortest gap of all $(fig parallel-cli parallel.gap_min_ms) ms, $(fig parallel-cli parallel.gap_short_count) short; gap error median $(fig parallel-cli parallel.gap_error_median_ms) ms, p99 $(fig parallel-cli parallel.gap_error_p99_ms) ms, worst $(fig parallel-cli parallel.gap_error_worst_ms) ms;" \
        "CPU at most $(fig parallel-cli parallel.cpu_s_most) s a process" \
        "| $(verdict [ "$(fig parallel-cli parallel.verdict)" = met ]) |"
    echo "| Close during an upload, $(fig close close.runs) times at random moments | at most 0.5 s from the request to the exit, worst case; no message after the request" \
        "| median $(fig close close.median_ms) ms, worst $(fig close close.worst_ms) ms;" \
        "$(fig close close.messages_after_total) message(s) sent after the request; $(fig close close.nonzero_exits) non-zero exit(s)" \
        "| $(verdict [ "$(fig close close.verdict)" = met ]) |"
    echo "| Start-up to the main window mapped and painted, $(fig startup startup.runs) runs | median at most 300 ms" \
        "| median $(fig startup startup.painted_ms_median) ms (fastest $(fig startup startup.painted_ms_min), slowest $(fig startup startup.painted_ms_max));" \
        "mapped after $(fig startup startup.mapped_ms_median) ms; peak memory $(fig startup startup.peak_memory_mb_median) MB" \
        "| $(verdict within "$(fig startup startup.painted_ms_median)" 300) |"
    echo "| Following the MIDI ports while idle: a look at the system's outputs every $(fig ports ports.look.interval_ms) ms | adds at most 0.05 % of one core" \
        "| $(fig ports ports.look.nothing_open.cpu_us) µs of CPU a look with no output open, $(fig ports ports.look.output_open.cpu_us) µs with one open" \
        "(median $(fig ports ports.look.nothing_open.wall_us_median) and $(fig ports ports.look.output_open.wall_us_median) µs, p99 $(fig ports ports.look.nothing_open.wall_us_p99) and $(fig ports ports.look.output_open.wall_us_p99) µs):" \
        "$(fig ports ports.look.share_percent) % of one core" \
        "| $(verdict within "$(fig ports ports.look.share_percent)" 0.05) |"
    echo "| A port plugged in to the output selector listing it, $(fig ports ports.listed.runs) ports plugged in at random moments | within about a second (1 s, every one)" \
        "| median $(fig ports ports.listed.median_ms) ms, worst $(fig ports ports.listed.worst_ms) ms" \
        "| $(verdict within "$(fig ports ports.listed.worst_ms)" 1000) |"
    if ((! quick)); then
        echo "| CPU of the whole program over a full upload | under 1 s" \
            "| $(fig cpu cpu.pass.cpu_s) s in $(fig cpu cpu.pass.wall_s) s ($(fig cpu cpu.pass.cpu_percent) % of one core)," \
            "$(fig cpu cpu.pass.timer_thread_s) s of it in JUCE's timer thread; peak memory $(fig cpu cpu.pass.peak_memory_mb) MB" \
            "| $(verdict awk -v v="$(fig cpu cpu.pass.cpu_s)" 'BEGIN { exit !(v != "?" && v + 0 < 1) }') |"
        echo "| CPU while idle for 10 s with the window open, before any upload | about 0 (under 0.1 % of one core)" \
            "| $(fig cpu idle.before.cpu_ms) ms ($idle_before %), $(fig cpu idle.before.timer_thread_ms) ms of it in JUCE's timer thread;" \
            "$(fig cpu idle.before.wakeups_per_s) wake-ups a second" \
            "| $(verdict within "$idle_before" 0.1) |"
        echo "| The same, after a completed upload | about 0 (under 0.1 % of one core)" \
            "| $(fig cpu idle.after.cpu_ms) ms ($idle_after %), $(fig cpu idle.after.timer_thread_ms) ms of it in JUCE's timer thread;" \
            "$(fig cpu idle.after.wakeups_per_s) wake-ups a second" \
            "| $(verdict within "$idle_after" 0.1) |"
        echo "| For reference, not Flashmere: an empty JUCE 7.0.5 window beside it, over the same 10 s before the upload | |" \
            "$(fig cpu idle.before.reference.cpu_ms) ms ($(fig cpu idle.before.reference.cpu_percent) %), $(fig cpu idle.before.reference.timer_thread_ms) ms of it in JUCE's timer thread;" \
            "$(fig cpu idle.before.reference.wakeups_per_s) wake-ups a second; over the upload's seconds $(fig cpu cpu.pass.reference_cpu_s) s;" \
            "after it $(fig cpu idle.after.reference.cpu_ms) ms ($(fig cpu idle.after.reference.cpu_percent) %) | |"
        echo "| For reference: Flashmere's figures above that floor, over the same seconds | |" \
            "upload $(fig cpu cpu.pass.beyond_floor_s) s; idle $(fig cpu idle.before.beyond_floor_percent) % before and $(fig cpu idle.after.beyond_floor_percent) % after the upload | |"
    fi
    echo
    echo "The limit of an upload is the time the pedal itself needs: for every message, its wire"
    echo "time at 31250 baud (10 bits a byte, 320 µs) and then 300 ms of silence, Σ(300 ms +"
    echo "bytes × 320 µs) over the image's $(fig pacing-nonblocking pass.nonblocking.messages) messages of $(fig pacing-nonblocking pass.nonblocking.bytes) bytes."
    echo "A gap runs from the moment a message's last byte has left the cable to the start of the"
    echo "next send; its error is how much longer than 300 ms it is. On average it is"
    echo "$(fig pacing-nonblocking pass.nonblocking.gap_error_mean_ms) ms with sends that return at once and $(fig pacing-blocking pass.blocking.gap_error_mean_ms) ms with blocking ones, made of"
    echo "$(fig pacing-nonblocking pass.nonblocking.gap_error_before_pause_mean_ms) and $(fig pacing-blocking pass.blocking.gap_error_before_pause_mean_ms) ms before the pause (it is asked for in whole milliseconds, rounded up),"
    echo "$(fig pacing-nonblocking pass.nonblocking.gap_error_oversleep_mean_ms) and $(fig pacing-blocking pass.blocking.gap_error_oversleep_mean_ms) ms of oversleeping, and $(fig pacing-nonblocking pass.nonblocking.gap_error_after_pause_mean_ms) and $(fig pacing-blocking pass.blocking.gap_error_after_pause_mean_ms) ms from the end of the pause to"
    echo "the next send (the progress notice and the step's short turns on the message thread)."
    echo "With blocking sends the worst gap is the first long message's: until a message of 64"
    echo "bytes or more has shown the driver waiting for the cable, a send that took its wire"
    echo "time may as well have been a queueing send slow to reach its driver, so the whole wire"
    echo "time is waited again (never too short, once too long)."
    if ((! quick)); then
        echo
        echo "## Why the CPU targets are missed"
        echo
        echo "Mostly not by anything Flashmere does: an empty JUCE window, measured beside it over"
        echo "the same seconds, uses $(fig cpu idle.before.reference.cpu_percent) % of a core while it waits. JUCE 7.0.5 repaints a Linux window from a"
        echo "timer that fires at the display's refresh rate (60 Hz on a common monitor, 100 Hz on"
        echo "Xvfb, which states none) for as long as the window exists, whether or not anything"
        echo "needs painting. Each tick wakes JUCE's timer thread, which posts a message to the"
        echo "message thread and waits until it has been handled: about nine context switches a"
        echo "tick, most of the cost in the timer thread itself (the figures above give its share)."
        echo "Over the seconds of the upload the empty window alone used $(fig cpu cpu.pass.reference_cpu_s) s of CPU. The timer is"
        echo "a private member of JUCE's Linux window peer, with no interface to pause it, so the"
        echo "targets cannot be met without changing JUCE, which Flashmere uses as Debian packages it."
        echo
        echo "What Flashmere adds above the floor (the row above) is JUCE's tooltip window. While it"
        echo "exists it asks the X server where the pointer is every 123 ms, and the global mouse"
        echo "listener it registers makes JUCE's desktop ask again every 100 ms: about 0.3 % of a core"
        echo "on this machine, measured by adding one to the empty window. Both timers are private to"
        echo "JUCE; the only way to stop them is to have no tooltips, and the buttons' and the help"
        echo "window's tooltips are part of the program, so they stay. Over an upload the rest above"
        echo "the floor is the upload's own work ($(fig cpu cpu.pass.beyond_floor_s) s with the tooltip window's share): the sends,"
        echo "and the progress bar and status line repainted at each hundredth of progress. That"
        echo "alone would be within the target; it is the floor beneath it that is not."
        echo
        echo "What was the program's own has been removed: JUCE's progress bar polls its value every"
        echo "30 ms and repaints on every tick once full; Flashmere's (\`QuietProgressBar\`) repaints"
        echo "only when the screen tells it the value changed (idle after an upload went from 2.7 % to"
        echo "1.8 %, 1113 to 896 wake-ups a second, when it was changed). The help window, hidden but"
        echo "on the desktop from the start, adds nothing measurable: its repaint timer fires in the"
        echo "same rounds of the timer thread as the main window's."
    fi
    echo
    echo "## Following the MIDI ports"
    echo
    echo "While no upload runs, the output list reads the system's MIDI outputs every"
    echo "$(fig ports ports.look.interval_ms) ms, and at once when the list is opened (JUCE 7.0.5 tells nobody on Linux when"
    echo "devices come and go). A look that finds nothing changed costs $(fig ports ports.look.nothing_open.cpu_us) µs of CPU with no"
    echo "output open and $(fig ports ports.look.output_open.cpu_us) µs with one open: $(fig ports ports.look.share_percent) % of one core, against the 0.05 % that"
    echo "following the ports may add to the idle program. The idle figures above the empty"
    echo "window's floor cannot show a change that small: from one run to the next they move by"
    echo "tenths of a percent with the machine's load. Only a real change touches the selector. A port"
    echo "plugged in is listed within one interval, half of one on average (the rows above)."
    echo
    echo "## Machine"
    echo
    echo "$(fig startup machine.cpu), $(fig startup machine.cores) cores; $(fig startup machine.kernel)."
    echo "Load average (1, 5, 15 min) at the start and end of each benchmark, and how busy all"
    echo "CPUs were during it (the benchmark itself included):"
    echo
    echo "| Benchmark | Load at start | Load at end | CPUs busy |"
    echo "|---|---|---|---|"
    machine_row "Start-up" startup
    machine_row "Close during an upload" close
    ((quick)) || machine_row "CPU, idle and over an upload" cpu
    machine_row "Upload, sends return at once" pacing-nonblocking
    machine_row "Upload, blocking sends" pacing-blocking
    machine_row "Following the MIDI ports" ports
    machine_row "Eight flashmere-cli at once" parallel-cli
    echo
    echo "## Method"
    echo
    echo "Everything runs in real time against the project's MIDI stand-in (\`tests/fakeseq\`), which"
    echo "records when each send began and when its last byte would have left a 31250 baud cable,"
    echo "on CLOCK_MONOTONIC. The uploads (\`flashmere_bench_pacing\`) run the real protocol object"
    echo "and the real MIDI interface in-process, with JUCE's own message loop, and note the start"
    echo "and end of each pause of the program's own pacing; the pass ends with the pause that"
    echo "follows the last message. The service bench (\`flashmere_bench_parallel_cli\`) starts"
    echo "eight real flashmere-cli processes (Release) at once, each with the stand-in preloaded and"
    echo "a port of its own, and counts each pass from its first send to the moment its process"
    echo "has exited. The other benchmarks"
    echo "(\`flashmere_bench_app\`) run the real program, Release build, on a virtual X display with"
    echo "no window manager, the stand-in preloaded, and drive it through XTest as a person would."
    echo "Start-up runs from the fork of the process to the moment every pixel of the main window"
    echo "has been drawn since it was mapped (X Damage events) and its background and title bar"
    echo "show; peak memory is VmHWM one second later. A close is the title bar's close button"
    echo "clicked at a random moment of the upload's first 12 s, which hold every kind of message,"
    echo "the longest (500 bytes) included; it ends when the process has exited. CPU is the whole"
    echo "process's time on a CPU from /proc: while idle, over 10 s before any upload and 10 s"
    echo "after it, the sum of its threads' schedstat (to the nanosecond); over an upload, from"
    echo "the click on update until the button is back, its user and system time from stat (in"
    echo "10 ms ticks, but counting the upload's thread, which has ended by then). Wake-ups are the"
    echo "context switches of all the process's threads. The reference is a JUCE application with"
    echo "one empty window of the same size (\`bench/IdleReference.cpp\`), open in the screen's"
    echo "corner beside Flashmere all along and measured over the same seconds, so that whatever"
    echo "else the machine does weighs on both: JUCE 7.0.5 drives a Linux window's repaints from a"
    echo "timer at the display's refresh rate (100 Hz where, as on Xvfb, the display states none),"
    echo "which runs as long as the window exists, so no JUCE window waits for less."
    echo
    echo "The MIDI ports (\`flashmere_bench_ports\`) are followed by the real MIDI interface, in-process, with"
    echo "JUCE's own message loop and the stand-in's three ports. A look is what the output list does"
    echo "every $(fig ports ports.look.interval_ms) ms while idle: it reads the system's outputs through JUCE and finds nothing"
    echo "changed; it is timed $((2000)) times in a row, with no output open (JUCE then opens and closes its"
    echo "sequencer client for each look) and with one open; its CPU time is the thread's own. What the"
    echo "looks cost a second is the dearer of the two times the number of looks a second. A port plugged"
    echo "in is scheduled in the stand-in at a random moment up to 1.5 s ahead, unknown to the program;"
    echo "it is listed when the selector holds its item, checked every millisecond of the loop."
    echo "These figures are the stand-in's: on a real ALSA system a look with no output open also opens"
    echo "and closes the kernel's sequencer device, which costs more and could not be measured here."
    echo
    echo "## Details"
    for name in startup close ports; do
        echo
        if [[ $name == ports ]]; then
            echo "\`flashmere_bench_ports\`, one line a port plugged in:"
        else
            echo "\`flashmere_bench_app $name\`, one line a run:"
        fi
        echo
        echo '```'
        grep -E '^run ' "$results/$name.txt" || true
        echo '```'
    done
} >"$report"

echo
echo "Written: $report"
