#!/usr/bin/env bash
# Tests of flashmere-cli against the MIDI stand-in, preloaded in place of the ALSA
# sequencer. Usage: cli_tests.sh FLASHMERE_CLI LIBFAKESEQ_PRELOAD BUILT_IN_SYX
set -uo pipefail

cli=$(realpath "$1") preload=$(realpath "$2") builtin=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tool=("$cli") tool_env=(-u DISPLAY)
source "$(dirname "$0")/../support/shell_checks.sh"

messages_logged() { grep -c . "$work/log" || true; }

# "${fakeseq[@]}" FAKESEQ_PORTS=PORTS COMMAND...: runs COMMAND (the tool, with the
# caller's own redirections) against the stand-in; env runs it in its own place, so that
# a background job's $! is the tool. fake PORTS COMMAND... does that with a fresh log.
fakeseq=(env -u DISPLAY LD_PRELOAD="$preload" FAKESEQ_LOG="$work/log")
fake() {
    local ports=$1
    shift
    : > "$work/log"
    "${fakeseq[@]}" FAKESEQ_PORTS="$ports" "$@"
}

# Small images: three good messages, and damaged ones.
printf '\xf0\x00\x7e\x56\x01\x20\x01\x00\xf7' > "$work/small.syx"
printf '\xf0\x00\x7e\x56\x01\x20\x10\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\xf7' >> "$work/small.syx"
printf '\xf0\x00\x7e\x56\x01\x20\x0f\x00\xf7' >> "$work/small.syx"
printf '\xf0\x01\x02\xf7\xf0\x03' > "$work/truncated.syx"
printf 'not a firmware\n' > "$work/text.syx"

#==============================================================================
run "Pedal MIDI;Other Port" -- list
check "list exits 0" test "$rc" -eq 0
check "list numbers the ports with their full names" \
    diff <(printf '1\tPedal MIDI\n2\tOther Port\n') "$work/out"

run "" -- --version
check "--version" grep -q '^flashmere-cli 1.0' "$work/out"
for command in list check send export; do
    run "" -- "$command" --help
    check "$command --help exits 0" test "$rc" -eq 0
    check "$command --help explains exit codes" grep -q 'Exit codes' "$work/out"
done
run "" -- frobnicate
check "an unknown command is a usage error" test "$rc" -eq 2
run "" -- send small.syx
check "send without --port is a usage error" test "$rc" -eq 2

# Port numbers are never wrapped round, an empty file name is not the built-in image, one
# port only, and "--" ends the options. Each case: exit code, messages delivered, args.
cp "$work/small.syx" "$work/-dash.syx"
cd "$work" || exit 1
while IFS='|' read -r want_rc want_sent args; do
    eval "set -- $args"
    run "Pedal MIDI;Other Port" -- "$@"
    check "$args exits $want_rc (got $rc)" test "$rc" -eq "$want_rc"
    check "$args delivers $want_sent messages" test "$(messages_logged)" -eq "$want_sent"
done <<'CASES'
3|0|send --port 4294967297 small.syx
3|0|send --port 18446744073709551617 small.syx
2|0|send --port 1 ""
2|0|send --port 1 --port 2 small.syx
2|0|check ""
0|3|send --port 1 -- -dash.syx
CASES
cd - > /dev/null || exit 1

#==============================================================================
run "" -- check
check "the built-in image passes the check" test "$rc" -eq 0
check "check counts the messages" grep -qx 'messages: 234' "$work/out"
check "check names the smallest and largest message" \
    grep -qx 'smallest message: 9 bytes' "$work/out"
check "check names the largest message" grep -qx 'largest message: 500 bytes' "$work/out"
check "check names the manufacturer bytes" grep -qx 'manufacturer: 00 7E 56' "$work/out"
check "check gives the expected time" grep -qx 'expected upload time: 78.7 s (31250 baud, 300 ms after each message)' "$work/out"

run "" -- check "$work/truncated.syx"
check "a truncated image fails the check" test "$rc" -eq 1
check "the fault is named with its offset" grep -q 'incomplete at byte 4' "$work/out"
run "" -- check "$work/missing.syx"
check "a missing file fails the check" test "$rc" -eq 1
check "a missing file is named" grep -q 'File not found' "$work/err"

# A message longer than the ALSA sequencer carries whole is a fault, named with its number
# and size, and nothing of such an image is sent.
{ cat "$work/small.syx"; printf '\xf0'; head -c 5000 /dev/zero | tr '\0' '\1'; printf '\xf7'; } > "$work/long.syx"
run "" -- check "$work/long.syx"
check "a message over 4096 bytes fails the check" test "$rc" -eq 1
check "the long message is named with its number and size" grep -q 'cannot be sent: message 4 (5002 bytes' "$work/out"
run "Pedal MIDI" -- send --port "Pedal MIDI" "$work/long.syx"
check "an image with a message over 4096 bytes is refused" test "$rc" -eq 1
check "nothing of it is sent" test "$(messages_logged)" -eq 0

# A file too large to be firmware is refused before it is read (sparse: no disk space).
truncate -s $((16 * 1024 * 1024 + 1)) "$work/huge.syx"
run "" -- check "$work/huge.syx"
check "a file over 16 MiB fails the check" test "$rc" -eq 1
check "it is called too large" grep -q 'File too large: .* is larger than 16 MiB' "$work/err"

#==============================================================================
run "Pedal MIDI;Other Port" -- send --port "Pedal MIDI" "$work/small.syx"
check "send completes" test "$rc" -eq 0
check "send reports what it sent" grep -qx 'completed: sent 3 of 3 messages' "$work/out"
check "the file arrives byte for byte, in order, on that port" \
    diff <(od -An -tx1 -v "$work/small.syx" | tr -d ' \n') <(cut -f2 "$work/log" | tr -d '\n')
check "nothing went to the other port" test "$(grep -vc $'Pedal MIDI\t' "$work/log")" -eq 0
check "every gap after a message's wire end is at least 300 ms" \
    awk 'NR > 1 && $1 - end < 0.300 { bad = 1 } { end = $2 } END { exit bad }' "$work/log"

run "Pedal MIDI;Other Port" -- send --port 2 "$work/small.syx"
check "a port can be given by number" test "$rc" -eq 0
check "the numbered port gets the messages" test "$(grep -c $'Other Port\t' "$work/log")" -eq 3

run "Pedal MIDI;Other Port" -- send --port "Pedal" "$work/small.syx"
check "a partial name is not a port" test "$rc" -eq 3
check "an unknown port lists the ports" grep -q 'Pedal MIDI' "$work/err"
check "nothing is sent to an unknown port" test "$(messages_logged)" -eq 0

run "Twin;Twin" -- send --port "Twin" "$work/small.syx"
check "an ambiguous port is refused" test "$rc" -eq 3
check "nothing is sent to an ambiguous port" test "$(messages_logged)" -eq 0

for bad in truncated text; do
    run "Pedal MIDI" -- send --port "Pedal MIDI" "$work/$bad.syx"
    check "a $bad file is refused" test "$rc" -eq 1
    check "nothing of a $bad file is sent" test "$(messages_logged)" -eq 0
done

run "Pedal MIDI" FAKESEQ_UNPLUG_AFTER="Pedal MIDI:1" -- send --port "Pedal MIDI" "$work/small.syx"
check "an interface unplugged mid-upload fails the update" test "$rc" -eq 1
check "it says so" grep -q 'disconnected' "$work/err"
check "nothing more is sent after the unplug" test "$(messages_logged)" -eq 1

# Port names in UTF-8 are listed and matched as written.
tete=$'T\xc3\xaate MIDI'
run "$tete" -- list
check "a UTF-8 port name is listed as written" diff <(printf '1\t%s\n' "$tete") "$work/out"
run "$tete" -- send --port "$tete" "$work/small.syx"
check "a UTF-8 port name is matched as written" test "$rc" -eq 0

# Another product's firmware is refused unless asked for; every update leaves its log.
printf '\xf0\x41\x10\x00\x16\x12\x01\xf7' > "$work/foreign.syx"
run "" -- check "$work/foreign.syx"
check "check fails another product's firmware" test "$rc" -eq 1
check "check names its header" grep -q '^product: another product.s (its messages start with F0 41 10 00 16 12' "$work/out"
run "" -- check --any-product "$work/foreign.syx"
check "check passes it with --any-product" test "$rc" -eq 0
run "" -- check
check "check names the product and the SHA-256" grep -qx 'product: Velamor' "$work/out"
check "check gives the SHA-256" grep -qx "sha256: $(sha256sum < "$builtin" | cut -c1-64)" "$work/out"
run "Pedal MIDI" XDG_STATE_HOME="$work/state" -- send --port 1 "$work/foreign.syx"
check "send refuses another product's firmware" test "$rc" -eq 1
check "nothing of it is sent" test "$(messages_logged)" -eq 0
run "Pedal MIDI" -- send --port 1 --any-product --log "$work/update.log" "$work/foreign.syx"
check "send sends it with --any-product" test "$rc" -eq 0
check "the log has a line per message" test "$(grep -c $'^message\t' "$work/update.log")" -eq 1
check "the log ends with the outcome" grep -q $'^outcome\tcompleted' "$work/update.log"
run "Pedal MIDI" XDG_STATE_HOME="$work/state" -- send --port 1 --no-log "$work/small.syx"
check "--no-log leaves no log" test ! -e "$work/state/flashmere/logs"
run "Pedal MIDI" XDG_STATE_HOME="$work/state" -- send --port 1 "$work/small.syx"
check "by default the log goes to the state folder" test "$(ls "$work/state/flashmere/logs" | wc -l)" -eq 1

run "Pedal MIDI" FAKESEQ_BUSY="Pedal MIDI" -- send --port "Pedal MIDI" "$work/small.syx"
check "a port held by another program is refused" test "$rc" -eq 3
check "it is called busy" grep -q 'in use by another program' "$work/err"
check "nothing is sent to a busy port" test "$(messages_logged)" -eq 0

run "Pedal MIDI" FAKESEQ_LOSE_EVENT="Pedal MIDI:2" -- send --port "Pedal MIDI" "$work/small.syx"
check "a last message lost in the moment of an unplug fails the update" test "$rc" -eq 1
check "only the delivered messages are counted" grep -qx 'failed: sent 2 of 3 messages' "$work/out"

# One update at a time per port, whichever program sends it, whatever its environment
# (sudo drops XDG_RUNTIME_DIR) and whatever lies in the runtime or temporary folder; another
# port is free, and a holder that dies frees its port.
: > "$work/log"
: > "$work/log2"
mkdir -p "$work/run-a" "$work/tmp-b" "$work/junk"
"${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI;Other Port" XDG_RUNTIME_DIR="$work/run-a" "$cli" send --port "Pedal MIDI" \
    > /dev/null 2>&1 < /dev/null &
first=$!
for _ in $(seq 1 100); do
    [[ $(messages_logged) -ge 1 ]] && break
    sleep 0.05
done
# Whatever the holder left in its runtime folder, a folder and a dangling link of that name.
for name in $(ls "$work/run-a") stray; do
    mkdir "$work/junk/$name"
    ln -s /nonexistent "$work/junk/$name.lock"
done
chmod a-w "$work/junk"
for environment in "XDG_RUNTIME_DIR=$work/run-a" "-u XDG_RUNTIME_DIR TMPDIR=$work/tmp-b" \
    "XDG_RUNTIME_DIR=$work/junk TMPDIR=$work/junk"; do
    # shellcheck disable=SC2086 # the words are env's arguments
    "${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI;Other Port" FAKESEQ_LOG="$work/log2" env $environment \
        "$cli" send --port "Pedal MIDI" "$work/small.syx" > "$work/out" 2> "$work/err" < /dev/null
    rc=$?
    check "a second update to the same port ($environment) is refused (exit $rc)" test "$rc" -eq 3
    check "it says another update is sending ($environment)" \
        grep -q 'another update is sending to this MIDI output' "$work/err"
done
check "the second updates send nothing" test ! -s "$work/log2"
chmod u+w "$work/junk"
"${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI;Other Port" FAKESEQ_LOG="$work/log2" "$cli" send --port "Other Port" \
    "$work/small.syx" > "$work/out" 2> "$work/err" < /dev/null
check "an update to another port goes ahead meanwhile" test "$?" -eq 0
kill -KILL "$first"
wait "$first"
run "Pedal MIDI;Other Port" -- send --port "Pedal MIDI" "$work/small.syx"
check "a killed update leaves its port free (exit $rc)" test "$rc" -eq 0

# A lock the system refuses is no lock: the update is refused, and nothing is sent.
run "Pedal MIDI" FAKESEQ_REFUSE_PORT_LOCKS=1 -- send --port "Pedal MIDI" "$work/small.syx"
check "an update whose port cannot be locked is refused (exit $rc)" test "$rc" -eq 3
check "it says the port could not be kept from other updates" \
    grep -q 'Flashmere could not make sure that no other update sends to this MIDI output' "$work/err"
check "nothing is sent without the lock" test "$(messages_logged)" -eq 0

#==============================================================================
# --json: standard output is one JSON document, whatever the way the command ends, and it
# tells the same figures as the text. json_is EXPRESSION: the output parses as exactly one
# document d, with rc the exit code and e the environment, for which the Python
# expression holds.
json_is() {
    python3 -c 'import json, os, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if eval(sys.argv[3], {"d": d, "rc": int(sys.argv[2]), "e": os.environ}) else 1)' \
        "$work/out" "$rc" "$1" 2> /dev/null
}

# A name that JSON must escape: a quote, a backslash, a tab, a BEL (which JUCE's writer
# spells as no JSON reader takes), and UTF-8.
odd=$'Odd "q" \\a\t\a T\xc3\xaate'
run "Pedal MIDI;$odd" -- list --json
export ODD_NAME=$odd
check "list --json gives every port with its number and its exact name" \
    json_is "d == {'command': 'list', 'ports': [{'number': 1, 'name': 'Pedal MIDI', 'otherPrograms': []}, {'number': 2, 'name': e['ODD_NAME'], 'otherPrograms': []}], 'exitCode': 0} and rc == 0"

# Programs that write to a port are counted; one that only reads from it is not.
run "Pedal MIDI;Other Port" FAKESEQ_WRITERS="Pedal MIDI:Clock Box;Other Port:Keys;Other Port:Pads" \
    FAKESEQ_READERS="Pedal MIDI:Recorder" -- list
check "list counts the other programs writing to each port" \
    diff <(printf '1\tPedal MIDI\t(1 other program connected)\n2\tOther Port\t(2 other programs connected)\n') "$work/out"
run "Pedal MIDI" FAKESEQ_WRITERS="Pedal MIDI:Clock Box" FAKESEQ_READERS="Pedal MIDI:Recorder" -- list --json
check "list --json names them" \
    json_is "d['ports'][0]['otherPrograms'] == ['Clock Box (client 191, port 0 \"Clock Box out\")']"

run "" -- check --json
check "check --json gives the built-in image's figures, product and SHA-256" \
    json_is "rc == 0 == d['exitCode'] and d['result'] == 'ok' and d['faults'] == [] and (d['bytes'], d['messages'], d['smallestMessage'], d['largestMessage'], d['manufacturer'], d['expectedUploadMs']) == (26631, 234, 9, 500, '00 7E 56', 78722) and d['product'] == {'thisPedal': True, 'name': 'Velamor', 'messagesStartWith': None} and d['sha256'] == '$(sha256sum < "$builtin" | cut -c1-64)'"
run "" -- check --json "$work/truncated.syx"
check "check --json names a fault with its kind and offset" \
    json_is "rc == 1 == d['exitCode'] and d['result'] == 'unsendable' and d['messages'] == 1 and [(f['kind'], f['offset']) for f in d['faults']] == [('unterminatedMessage', 4)]"
run "" -- check "$work/foreign.syx" --json
check "check --json names another product by its messages' start" \
    json_is "rc == 1 == d['exitCode'] and d['result'] == 'anotherProduct' and d['product'] == {'thisPedal': False, 'name': None, 'messagesStartWith': 'F0 41 10 00 16 12'}"

run "Pedal MIDI" -- send --json --port "Pedal MIDI" --log "$work/json.log" "$work/small.syx"
check "send --json tells the completed update, its port and its log" \
    json_is "rc == 0 == d['exitCode'] and (d['outcome'], d['port'], d['messages'], d['messagesSent'], d['messagesDelivered'], d['log']) == ('completed', 'Pedal MIDI', 3, 3, 3, '$work/json.log') and 'error' not in d"
check "send --json keeps its progress on standard error" grep -q '(3 of 3 messages)' "$work/err"
check "send --json delivers the image" test "$(messages_logged)" -eq 3

# Every other way a send ends: exit code, outcome, reason, messages delivered; then the
# stand-in's settings and the arguments after "send --json --no-log".
while IFS='|' read -r want_rc want_outcome want_reason want_delivered settings args; do
    eval "set -- $settings -- send --json --no-log $args"
    run "Pedal MIDI;Other Port" "$@"
    check "send --json $args ($settings) ends $want_outcome, $want_reason, exit $want_rc" \
        json_is "rc == $want_rc == d['exitCode'] and d['outcome'] == '$want_outcome' and d['error']['reason'] == '$want_reason' and d['error']['message'] != '' and d['messagesDelivered'] == $want_delivered"
    check "send --json $args ($settings) delivers $want_delivered messages" test "$(messages_logged)" -eq "$want_delivered"
done << CASES
1|refused|fileUnreadable|0||--port 1 $work/missing.syx
1|refused|imageUnsendable|0||--port 1 $work/truncated.syx
1|refused|anotherProduct|0||--port 1 $work/foreign.syx
3|refused|unknownPort|0||--port Pedal $work/small.syx
3|refused|portInUse|0|FAKESEQ_BUSY=Pedal\ MIDI|--port 1 $work/small.syx
3|failed|lockUnavailable|0|FAKESEQ_REFUSE_PORT_LOCKS=1|--port 1 $work/small.syx
1|failed|outputGone|2|FAKESEQ_LOSE_EVENT=Pedal\ MIDI:2|--port 1 $work/small.syx
3|refused|outputShared|0|FAKESEQ_WRITERS=Pedal\ MIDI:Clock\ Box|--port 1 $work/small.syx
CASES
check "a refusal for other programs on the output names them" grep -q 'Clock Box (client 191' "$work/err"

# Sent anyway: the program there at the start is accepted; one that connects after the
# second message fails the pass, and that message, in whose pause it came, does not count.
run "Pedal MIDI" FAKESEQ_WRITERS="Pedal MIDI:Clock Box;Pedal MIDI:Keys:2" -- \
    send --json --shared-output --log "$work/shared.log" --port 1 "$work/small.syx"
check "a program that connects during the update fails it" \
    json_is "rc == 1 == d['exitCode'] and d['error']['reason'] == 'outputShared' and 'Keys' in d['error']['message'] and 'Clock' not in d['error']['message'] and d['messagesDelivered'] == 1 and [(c['clientName'], c['accepted']) for c in d['connections']] == [('Clock Box', True), ('Keys', False)]"
check "the log records the connections seen and when" \
    test "$(grep -c -P '^connection\t[0-9.]+\t(accepted\tClock Box|appeared\tKeys) ' "$work/shared.log")" -eq 2

run "Pedal MIDI" -- send --json "$work/small.syx"
check "a usage error is told as JSON too" \
    json_is "rc == 2 == d['exitCode'] and d['command'] == 'send' and d['error']['reason'] == 'usage'"
run "Pedal MIDI;Other Port" -- send --json --port Pedal "$work/small.syx"
check "an unknown port's document lists the ports" \
    json_is "[p['name'] for p in d['ports']] == ['Pedal MIDI', 'Other Port']"

#==============================================================================
# Ctrl-C, a hang-up and SIGTERM during the built-in image: each stops after the current
# message and its pause, with the shell's code for that signal.
for signal_and_rc in INT:130 HUP:129 TERM:143; do
    signal=${signal_and_rc%:*} want_rc=${signal_and_rc#*:}
    : > "$work/log"
    "${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI" "$cli" send --port "Pedal MIDI" > "$work/out" 2> "$work/err" < /dev/null &
    pid=$!
    for _ in $(seq 1 100); do
        [[ $(messages_logged) -ge 2 ]] && break
        sleep 0.05
    done
    at_signal=$(messages_logged)
    kill -"$signal" "$pid"
    start=$(date +%s%N)
    wait "$pid"
    rc=$?
    took_ms=$((($(date +%s%N) - start) / 1000000))
    sent=$(messages_logged)
    check "SIG$signal exits $want_rc (got $rc)" test "$rc" -eq "$want_rc"
    check "SIG$signal stops within one message and pause (took ${took_ms} ms)" test "$took_ms" -lt 1500
    check "SIG$signal lets at most the current message through" test "$sent" -le $((at_signal + 1))
    check "SIG$signal says how many were sent" grep -qx "interrupted: sent $sent of 234 messages" "$work/out"
done

# A pause is a deadline. Stop signals at random moments, alone or while the program is
# stopped and continued (a loaded machine, a debugger), never bring the next message, nor
# the program's end, sooner than 300 ms after the last message has left the cable.
short_rounds=()
for round in $(seq 1 16); do
    : > "$work/log"
    : > "$work/end"
    "${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI" FAKESEQ_END_LOG="$work/end" "$cli" send --port "Pedal MIDI" \
        --no-log "$work/small.syx" > /dev/null 2>&1 < /dev/null &
    pid=$!
    sleep "0.$((RANDOM % 10))$((RANDOM % 10))"
    {
        ((round % 2)) && kill -STOP "$pid" && sleep 0.04
        case $((round % 4)) in
            0 | 1) kill -TERM "$pid" ;;
            2) kill -HUP "$pid" ;;
            3) kill -INT "$pid" && kill -HUP "$pid" && kill -TERM "$pid" ;;
        esac
        kill -CONT "$pid"
    } 2> /dev/null # the program may have ended already
    wait "$pid"
    cat "$work/end" >> "$work/log"
    awk 'NF == 1 && end && $1 - end < 0.300 { bad = 1 }
         NF > 1 { if (end && $1 - end < 0.300) bad = 1; end = $2 }
         END { exit bad }' "$work/log" || short_rounds+=("$round")
done
check "no signal shortens a pause after a message or before the end (short in rounds: ${short_rounds[*]})" \
    test "${#short_rounds[@]}" -eq 0

# While a send waits out its pauses its main thread sleeps: it wakes for the pass's own
# few steps a message, not on a clock (eight at once on two cores must not crowd each
# other out).
: > "$work/log"
"${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI" "$cli" send --port "Pedal MIDI" --no-log > /dev/null 2>&1 < /dev/null &
pid=$!
for _ in $(seq 1 100); do
    [[ $(messages_logged) -ge 2 ]] && break
    sleep 0.05
done
wakeups() { awk '/ctxt_switches/ { n += $2 } END { print n }' "/proc/$pid/task/$pid/status"; }
before=$(wakeups)
sleep 1
woke=$(($(wakeups) - before))
kill -INT "$pid"
wait "$pid"
check "a send's main thread sleeps while it waits (woke $woke times in a second)" test "$woke" -lt 100

# Ctrl-C once the last message's pause has passed changes nothing: the update completed.
# The program is held at its last write, into a FIFO whose buffer is already full, until
# the signals have arrived. It starts with Ctrl-C at its default action, as from a
# terminal (a script's background job would start with it ignored).
mkfifo "$work/fifo"
exec 7<> "$work/fifo"
timeout 1 cat /dev/zero >&7
: > "$work/log"
env --default-signal=INT "${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI" "$cli" send --port "Pedal MIDI" "$work/small.syx" \
    > "$work/fifo" 2> "$work/err" < /dev/null &
pid=$!
for _ in $(seq 1 100); do
    [[ $(messages_logged) -ge 3 ]] && break
    sleep 0.05
done
sleep 1.5 # the last pause (0.3 s) is long over: the program waits at its result
kill -INT "$pid"
kill -INT "$pid"
sleep 0.2
timeout 10 tail -c 100 "$work/fifo" > "$work/out" 7>&- &
reader=$!
exec 7>&-
wait "$pid"
rc=$?
wait "$reader"
check "Ctrl-C after the last pause leaves a completed update (exit $rc)" test "$rc" -eq 0
check "it reports the update completed" grep -qx 'completed: sent 3 of 3 messages' "$work/out"

# A closed pipe on standard error (progress) must not end an upload half-way.
fake "Pedal MIDI" "$cli" send --port "Pedal MIDI" "$work/small.syx" 2>&1 > "$work/out" < /dev/null | true
rc=${PIPESTATUS[0]}
check "a closed standard error does not stop the upload (exit $rc)" test "$rc" -eq 0
check "every message is delivered despite the closed pipe" test "$(messages_logged)" -eq 3

# Standard descriptors closed at start each get /dev/null, so that none of their numbers
# goes to JUCE's own files (progress text written into its event socket would keep it
# busy for the whole upload).
: > "$work/log"
"${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI" "$cli" send --port "Pedal MIDI" "$work/small.syx" <&- >&- 2>&- &
pid=$!
for _ in $(seq 1 100); do
    [[ $(messages_logged) -ge 1 ]] && break
    sleep 0.05
done
standard_fds=$(readlink /proc/$pid/fd/0 /proc/$pid/fd/1 /proc/$pid/fd/2 | tr '\n' ' ')
wait "$pid"
check "closed standard descriptors are /dev/null while it runs (got $standard_fds)" \
    test "$standard_fds" = "/dev/null /dev/null /dev/null "
check "with every standard descriptor closed, all messages are delivered" test "$(messages_logged)" -eq 3
# A result that cannot be written is a failure, but standard error still tells the
# upload's fate.
fake "Pedal MIDI" "$cli" send --port "Pedal MIDI" "$work/small.syx" >&- 2> "$work/err" < /dev/null
rc=$?
check "with standard output closed, send exits 1 (got $rc)" test "$rc" -eq 1
check "all messages are still delivered" test "$(messages_logged)" -eq 3
check "standard error tells the upload completed" grep -q 'standard output.*completed: sent 3 of 3' "$work/err"

for args in "list" "check" "export $work/full.syx" "send --port 1 $work/small.syx"; do
    # shellcheck disable=SC2086 # the words are the arguments
    fake "Pedal MIDI" "$cli" $args > /dev/full 2> "$work/err" < /dev/null
    rc=$?
    check "$args with a full standard output exits 1 (got $rc)" test "$rc" -eq 1
    check "$args says the result was lost" grep -q 'could not be written to standard output' "$work/err"
done

#==============================================================================
# A stop signal before the upload starts (here during a slow port lookup) ends the command
# with its document all the same, and nothing is sent. The signal comes once the program's
# main thread is asleep in the stand-in's first slow answer.
for args in "send --json --port 1 $work/small.syx" "list --json"; do
    : > "$work/log"
    # shellcheck disable=SC2086 # the words are the arguments
    "${fakeseq[@]}" FAKESEQ_PORTS="Pedal MIDI" FAKESEQ_QUERY_DELAY_MS=1500 "$cli" $args \
        > "$work/out" 2> "$work/err" < /dev/null &
    pid=$!
    for _ in $(seq 1 200); do
        grep -q nanosleep "/proc/$pid/wchan" 2> /dev/null && break
        sleep 0.05
    done
    kill -TERM "$pid"
    wait "$pid"
    rc=$?
    check "SIGTERM during the port lookup of $args exits 143 (got $rc)" test "$rc" -eq 143
    check "SIGTERM during the port lookup of $args still prints its document" \
        json_is "d['exitCode'] == 143 and d['signal'] == 15 and d['error']['reason'] == 'interrupted' and d.get('outcome', 'interrupted') == 'interrupted' and d.get('messagesSent', 0) == 0"
    check "SIGTERM during the port lookup of $args sends nothing" test "$(messages_logged)" -eq 0
done

# The log goes to a new path or a regular file only, refused before anything is sent: a
# FIFO without a reader would hold the program for ever once the upload is over. The same
# things named as the firmware are told for what they are.
mkfifo "$work/fifo.log"
mkdir "$work/folder.log"
tool=(timeout 30 "$cli")
for target in fifo.log folder.log; do
    run "Pedal MIDI" -- send --json --port 1 --log "$work/$target" "$work/small.syx"
    check "--log $target is refused (exit $rc)" test "$rc" -eq 1
    check "--log $target is refused before anything is sent" test "$(messages_logged)" -eq 0
    check "--log $target is refused as JSON says" \
        json_is "d['outcome'] == 'refused' and d['error']['reason'] == 'logUnwritable' and d['messagesSent'] == 0"
    check "--log $target says what it is" grep -q "$target: it is a " "$work/err"

    run "" -- check "$work/$target"
    check "check $target fails (exit $rc)" test "$rc" -eq 1
    check "check says what $target is" grep -q "$target: is a .*, not a firmware file" "$work/err"
done
tool=("$cli")
run "Pedal MIDI" -- send --port 1 --log "$work/no/such/folder/x.log" "$work/small.syx"
check "a log that cannot be written costs the log only (exit $rc)" test "$rc" -eq 0
check "flashmere-cli says the log could not be written" \
    grep -q "^flashmere-cli: the update's log could not be written to $work/no/such/folder/x.log" "$work/err"

# A path that is not UTF-8 is opened as given; JSON and the log show each of its other
# bytes as \xHH (and a backslash of its own as \\), so that it can be read back.
while IFS='|' read -r name shown; do
    name=$(printf '%b' "$name")
    cp "$work/small.syx" "$work/$name"
    run "Pedal MIDI" -- send --json --port 1 --log "$work/$name.log" "$work/$name"
    export SHOWN="$work/$shown"
    check "a path with bytes that are not UTF-8 is sent ($shown, exit $rc)" test "$rc" -eq 0
    check "JSON shows its bytes escaped ($shown)" json_is "d['image'] == e['SHOWN'] and d['log'] == e['SHOWN'] + '.log'"
    check "the log shows its bytes escaped ($shown)" grep -Fxq "image	$work/$shown" "$work/$name.log"
done << 'CASES'
caf\xe9.syx|caf\xe9.syx
x\x80y.syx|x\x80y.syx
back\\\x80slash.syx|back\\\x80slash.syx
CASES

#==============================================================================
# The loopback test against the stand-in's looped port "Loop" (its MIDI Out cabled to its
# own MIDI In), sized after the small image: one case per verdict, the fault asked of the
# stand-in's way back for the message numbered from 1.
loop=(FAKESEQ_LOOPBACK=Loop)
run "Pedal MIDI" "${loop[@]}" -- list --inputs
check "list --inputs lists the input ports only" diff <(printf '1\tLoop\n') "$work/out"
while IFS='|' read -r fault want_rc verdict; do
    run "Pedal MIDI" "${loop[@]}" FAKESEQ_LOOP_FAULT="$fault" -- loopback --port Loop --input 1 --file "$work/small.syx"
    check "loopback with '$fault' exits $want_rc (got $rc)" test "$rc" -eq "$want_rc"
    check "loopback with '$fault' says: $verdict" grep -qx "verdict: $verdict" "$work/out"
done <<'CASES'
|0|fit for firmware updates
drop:3|1|message 3 lost
flip:2:7|1|byte 7 of message 2 differs (sent 06, got 07)
cut:4:300|1|message 4 cut after 300 bytes
flip:4:602:128|1|message 4 cut after 512 bytes
bunch:1|1|messages bunched (gap of [0-9] ms, under 300 ms) after message 1
delay:2:1500|1|message 2 lost
CASES
run "Pedal MIDI" "${loop[@]}" -- loopback --port "Pedal MIDI" --input Loop --file "$work/small.syx"
check "nothing back means a wrong cable or input (exit $rc)" test "$rc" -eq 1
check "the verdict says so" grep -qx 'verdict: nothing came back on Loop within 1.0 s' "$work/out"
check "the test stops at the first message that is overdue" test "$(messages_logged)" -lt 8

run "Pedal MIDI" "${loop[@]}" -- loopback --json --port Loop --input Loop --file "$work/small.syx"
check "loopback --json gives the verdict, the figures and a row per message" \
    json_is "(d['verdict'] == 'fit for firmware updates' and d['fit'] and d['messages'] == 8 and len(d['table']) == 8
              and d['table'][3] == {'message': 4, 'bytesSent': 4096, 'bytesBack': 4096, 'exact': True,
                                    'gapAfterMs': d['table'][3]['gapAfterMs']} and d['table'][3]['gapAfterMs'] >= 280
              and d['exitCode'] == 0 and rc == 0)"
check "the series goes out as the update paces it, and never as firmware" \
    awk -F'\t' '$2 !~ /^f07d/ { bad = 1 } NR > 1 && $1 - end < 0.300 { bad = 1 } { split($1, t, " "); end = t[2] }
        END { exit bad || NR != 8 }' "$work/log"
while IFS='|' read -r want_rc args; do
    eval "set -- $args"
    run "Pedal MIDI" "${loop[@]}" -- "$@"
    check "$args exits $want_rc (got $rc)" test "$rc" -eq "$want_rc"
    check "$args sends nothing" test "$(messages_logged)" -eq 0
done <<'CASES'
3|loopback --port Loop --input "Pedal MIDI"
3|loopback --port Nowhere --input Loop
2|loopback --port Loop
2|loopback --port Loop --input Loop --log x.log
2|loopback --port Loop --input Loop --file "$work/missing.syx"
2|send --port Loop --pause-ms 299 "$work/small.syx"
CASES

# A longer pause for an interface that needs one; the log records it.
run "Pedal MIDI" -- send --port 1 --pause-ms 450 --log "$work/pause.log" "$work/small.syx"
check "send --pause-ms 450 completes (exit $rc)" test "$rc" -eq 0
check "send says the pause it keeps" grep -q 'small.syx to "Pedal MIDI": 3 messages, about 1 s, 450 ms after each$' "$work/err"
check "every gap after a message's wire end is at least 450 ms" \
    awk 'NR > 1 && $1 - end < 0.450 { bad = 1 } { end = $2 } END { exit bad }' "$work/log"
check "the log records the pause after every message" \
    awk -F'\t' '$1 == "message" { n++; if ($6 < 450) bad = 1 } END { exit bad || n != 3 }' "$work/pause.log"

#==============================================================================
run "" -- export "$work/exported.syx"
check "export writes the file" test "$rc" -eq 0
check "the exported image is the built-in one, byte for byte" cmp -s "$work/exported.syx" "$builtin"
run "" -- check "$work/exported.syx"
check "the exported image passes the check" test "$rc" -eq 0
run "" -- export "$work/no/such/dir/x.syx"
check "export to an impossible place fails" test "$rc" -eq 1

# A full disk (here a file size limit) keeps the old file and leaves no temporary file.
mkdir "$work/out-dir"
printf 'old contents' > "$work/out-dir/keep.syx"
(ulimit -f 16 && run "" -- export "$work/out-dir/keep.syx" && exit "$rc")
rc=$?
check "export onto a full disk fails (exit $rc)" test "$rc" -eq 1
check "the old file is kept as it was" test "$(cat "$work/out-dir/keep.syx")" = 'old contents'
check "no temporary file is left" test "$(ls -A "$work/out-dir")" = keep.syx

# Only a new path or a regular file the user may write; a link to one is followed.
cd "$work/out-dir" || exit 1
printf 'old contents' > target.syx
ln -s target.syx link.syx
run "" -- export link.syx
check "export through a symbolic link succeeds (exit $rc)" test "$rc" -eq 0
check "the link stays a link" test -L link.syx
check "its target gets the image" cmp -s target.syx "$builtin"
mkdir empty-folder
mkfifo pipe.syx
ln -s empty-folder folder-link.syx
ln -s missing.syx dangling.syx
printf 'old contents' > read-only.syx
chmod a-w read-only.syx
for target in empty-folder pipe.syx folder-link.syx dangling.syx read-only.syx; do
    before=$(stat -c '%F %s %Y' "$target" 2> /dev/null; readlink "$target")
    run "" -- export "$target"
    check "export refuses $target (exit $rc)" test "$rc" -eq 1
    check "export says why it refuses $target" grep -q "$target: is " "$work/err"
    check "$target is left as it was" test "$(stat -c '%F %s %Y' "$target" 2> /dev/null; readlink "$target")" = "$before"
done
check "no temporary file is left behind" test "$(ls -A | grep -c '^\.')" -eq 0
cd - > /dev/null || exit 1

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
