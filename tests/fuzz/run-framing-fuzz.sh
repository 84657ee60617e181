#!/bin/sh
# Builds the framing check's fuzz target with clang and runs it for a bounded number of
# inputs. Usage: run-framing-fuzz.sh CLANGXX SOURCE_DIR WORK_DIR RUNS
set -eu
clangxx=$1 src=$2 work=$3 runs=$4
mkdir -p "$work/corpus"
"$clangxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I"$src/src" -I"$src/src/platform/linux" \
    "$src/tests/fuzz/FramingFuzz.cpp" "$src/src/firmware/SysexFraming.cpp" -o "$work/framing-fuzz"
# Seeds: the built-in image and a few small shapes.
cp "$src/src/firmware/velamor-1.01-r353.syx" "$work/corpus/builtin.syx"
printf '\360\001\367' > "$work/corpus/one.syx"
printf '\360\001' > "$work/corpus/open.syx"
exec "$work/framing-fuzz" -runs="$runs" -max_len=1024 "$work/corpus"
