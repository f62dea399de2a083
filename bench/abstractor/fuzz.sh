#!/usr/bin/env bash
# Builds the libFuzzer target for the subpyxis SIM reader with clang
# (address and undefined-behaviour sanitizers) straight from the sources and
# runs it for the given number of seconds (default 600).
#   bench/abstractor/fuzz.sh [seconds] [jobs]
# Crashing inputs land in build-fuzz/ as crash-*; copy each into
# tests/abstractor/fuzz_regressions/ so the test suite keeps reading it.
set -eu
seconds=${1:-600}
jobs=${2:-1}
root=$(cd "$(dirname "$0")/../.." && pwd)
src=$root/src/abstractor
out=$root/build-fuzz
corpus=$root/bench/fuzz-corpus/sim_reader
mkdir -p "$out" "$corpus"
clang++-14 -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src" "$root/bench/fuzzers/sim_reader.cpp" \
  "$src/Graph.cpp" "$src/Matcher.cpp" "$src/Output.cpp" "$src/Partition.cpp" \
  "$src/Program.cpp" "$src/Report.cpp" "$src/SimReader.cpp" "$src/SimTypes.cpp" \
  -o "$out/sim_reader_fuzzer"
seeds=("$root/examples/subckt_library")
[ -d "$root/examples/sim" ] && seeds+=("$root/examples/sim")
[ -d "$root/tests/abstractor/fuzz_regressions" ] && seeds+=("$root/tests/abstractor/fuzz_regressions")
cd "$out"
./sim_reader_fuzzer -max_total_time="$seconds" -jobs="$jobs" -workers="$jobs" \
  -artifact_prefix="$out/" -print_final_stats=1 "$corpus" "${seeds[@]}"
