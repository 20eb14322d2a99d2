#!/bin/sh
# Builds the sweep's fuzz target with libFuzzer (clang, with address and
# undefined-behaviour checks) and runs it for a bounded time, starting from
# the seed corpus. New inputs it finds go to the build tree, not the repo.
#   tests/native/run_sweep_fuzzer.sh [seconds]   (default 10)
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-10}
out=build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++17 -I. -O1 -g -fno-exceptions -fno-rtti -fsanitize=fuzzer,address,undefined \
    -Wall -Wextra -Werror -Wshadow \
    traysweep/shell_probe.cpp traysweep/sweep_toolbar.cpp platform/fake/fake_os.cpp \
    tests/native/scripted_shell.cpp tests/native/sweep_fuzz_target.cpp -o "$out/sweep_fuzzer"
"$out/sweep_fuzzer" -max_total_time="$seconds" -max_len=256 -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" tests/native/sweep_fuzz_corpus
