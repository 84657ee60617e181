#!/usr/bin/env bash
# Tests of flashmere-cli against the MIDI stand-in, preloaded in place of the ALSA
# sequencer. Usage: cli_tests.sh FLASHMERE_CLI LIBFAKESEQ_PRELOAD BUILT_IN_SYX
set -uo pipefail

cli=$1 preload=$2 builtin=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

check() { # check DESCRIPTION CONDITION...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
    fi
}

# run PORTS [ENV=VALUE...] -- ARGS...: runs the tool; sets rc, stdout in $work/out, stderr
# in $work/err, and the stand-in's log of delivered messages in $work/log.
run() {
    local ports=$1
    shift
    local envs=()
    while [[ $1 != -- ]]; do envs+=("$1"); shift; done
    shift
    : > "$work/log"
    env -u DISPLAY LD_PRELOAD="$preload" FAKESEQ_PORTS="$ports" FAKESEQ_LOG="$work/log" "${envs[@]}" \
        "$cli" "$@" > "$work/out" 2> "$work/err" < /dev/null
    rc=$?
}

messages_logged() { grep -c . "$work/log" || true; }

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

# A message longer than the ALSA sequencer carries is warned about.
{ printf '\xf0'; head -c 5000 /dev/zero | tr '\0' '\1'; printf '\xf7'; } > "$work/long.syx"
run "" -- check "$work/long.syx"
check "a long message passes the framing check" test "$rc" -eq 0
check "a long message is warned about" grep -q 'longer than 4096 bytes' "$work/err"

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

#==============================================================================
# Ctrl-C during the built-in image: stops after the current message and its pause.
: > "$work/log"
env -u DISPLAY LD_PRELOAD="$preload" FAKESEQ_PORTS="Pedal MIDI" FAKESEQ_LOG="$work/log" \
    "$cli" send --port "Pedal MIDI" > "$work/out" 2> "$work/err" < /dev/null &
pid=$!
for _ in $(seq 1 100); do
    [[ $(messages_logged) -ge 2 ]] && break
    sleep 0.05
done
at_signal=$(messages_logged)
kill -INT "$pid"
start=$(date +%s%N)
wait "$pid"
rc=$?
took_ms=$((($(date +%s%N) - start) / 1000000))
sent=$(messages_logged)
check "Ctrl-C exits 130" test "$rc" -eq 130
check "Ctrl-C stops within one message and pause (took ${took_ms} ms)" test "$took_ms" -lt 1500
check "Ctrl-C lets at most the current message through" test "$sent" -le $((at_signal + 1))
check "Ctrl-C says how many were sent" grep -qx "interrupted: sent $sent of 234 messages" "$work/out"

#==============================================================================
run "" -- export "$work/exported.syx"
check "export writes the file" test "$rc" -eq 0
check "the exported image is the built-in one, byte for byte" cmp -s "$work/exported.syx" "$builtin"
run "" -- check "$work/exported.syx"
check "the exported image passes the check" test "$rc" -eq 0
run "" -- export "$work/no/such/dir/x.syx"
check "export to an impossible place fails" test "$rc" -eq 1

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
