# Shared by the shell tests: checks that count, and a run of flashmere-cli against the MIDI
# stand-in. Source it after setting:
#   work      a folder of the test's own;
#   preload   the stand-in's libfakeseq_preload.so (for run);
#   tool      the command that runs flashmere-cli, as an array: (cli) or (wine-run cli);
#   tool_env  (optional) what env is told first, as an array: (-u DISPLAY).
# shellcheck shell=bash disable=SC2034,SC2154 # set and read by the sourcing scripts

passed=0 failed=0

# check DESCRIPTION CONDITION...: counts the condition as passed or failed, and names a
# failed one on standard error.
check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
    fi
}

# run PORTS [ENV=VALUE...] -- ARGS...: runs the tool against the stand-in's PORTS; sets rc,
# stdout in $work/out, stderr in $work/err, and the stand-in's log of delivered messages
# in $work/log.
run() {
    local ports=$1
    shift
    local envs=()
    while [[ $1 != -- ]]; do envs+=("$1"); shift; done
    shift
    : > "$work/log"
    env ${tool_env[@]+"${tool_env[@]}"} LD_PRELOAD="$preload" FAKESEQ_PORTS="$ports" \
        FAKESEQ_LOG="$work/log" ${envs[@]+"${envs[@]}"} \
        "${tool[@]}" "$@" > "$work/out" 2> "$work/err" < /dev/null
    rc=$?
}
