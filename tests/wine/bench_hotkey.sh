#!/usr/bin/env bash
# Hotkey figures under Wine (32-bit code runs under qemu emulation here, so
# they are slower than on Windows): the latency from an injected Ctrl+F8 to
# the window under the pointer being topmost, and zena's idle CPU next to a
# program doing only the same 255-key poll every 10 ms. Prints figures;
# fails only when it could not measure.
#
#   tests/wine/bench_hotkey.sh [--presses N] [--seconds N]
#
# Build the win32 preset first. ZENA_UNDER_TEST: another zena.exe to measure. It runs through run_suite.sh (same X server,
# prefix, desktop and clean-up), which only runs programs named *_test.exe:
# the benchmark is staged under that name in a folder of its own.
# While the CPU window is open it also reads the two processes' CPU time
# from the host (/proc), which counts the emulator's own work too.
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZENA_BUILD_DIR:-$repo/build}
work=${ZENA_WINE_DIR:-$build/wine}
bin32=$build/win32/bin
stage=$build/wine-bench-stage
zena=${ZENA_UNDER_TEST:-$bin32/zena.exe}
[ -f "$zena" ] || { echo "missing $zena: build the win32 preset first"; exit 1; }
for file in bench32_hotkey.exe bench32_poll_reference.exe; do
    [ -f "$bin32/$file" ] || { echo "missing $bin32/$file: build the win32 preset first"; exit 1; }
done
rm -rf "$stage"
mkdir -p "$stage/win32/bin"
cp "$zena" "$stage/win32/bin/zena.exe"
cp "$bin32/bench32_poll_reference.exe" "$stage/win32/bin/"
[ -f "$bin32/probe32.dll" ] && cp "$bin32/probe32.dll" "$stage/win32/bin/"
cp "$bin32/bench32_hotkey.exe" "$stage/win32/bin/hotkey_bench_test.exe"
log=$work/logs/hotkey_bench_test.log
# The runner passes no arguments to programs; the environment reaches them.
while [ "$#" -gt 0 ]; do
    case $1 in
        --presses) export ZENA_BENCH_PRESSES=$2; shift 2 ;;
        --seconds) export ZENA_BENCH_SECONDS=$2; shift 2 ;;
        *) echo "usage: $0 [--presses N] [--seconds N]"; exit 2 ;;
    esac
done

# Host-side CPU time (user + system, clock ticks) of the Wine process whose
# command line names the program and whose prefix is ours.
host_ticks() {
    local name=$1 pid total=0
    for pid in $(pgrep -f "$name" 2>/dev/null); do
        grep -qz "^WINEPREFIX=$work/prefix$" "/proc/$pid/environ" 2>/dev/null || continue
        total=$((total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)))
    done
    echo "$total"
}

sample_all() {
    host_ticks 'zena\.exe'
    host_ticks 'bench32_poll_reference\.exe --seconds'
    host_ticks 'bench32_poll_reference\.exe --window'
    host_ticks 'wineserver'
}

sample_host_side() {
    local i before after t0 t1
    for ((i = 0; i < 1200; i++)); do
        grep -q "cpu window start" "$log" 2>/dev/null && break
        sleep 0.1
    done
    grep -q "cpu window start" "$log" 2>/dev/null || return 0
    before=$(sample_all | tr '\n' ' '); t0=$(date +%s.%N)
    for ((i = 0; i < 1200; i++)); do
        grep -q "cpu window end" "$log" 2>/dev/null && break
        sleep 0.1
    done
    after=$(sample_all | tr '\n' ' '); t1=$(date +%s.%N)
    awk -v before="$before" -v after="$after" -v a="$t0" -v b="$t1" -v hz="$(getconf CLK_TCK)" 'BEGIN {
        split(before, x, " "); split(after, y, " ")
        wall = b - a
        for (i = 1; i <= 4; i++) cpu[i] = 100 * (y[i] - x[i]) / hz / wall
        printf "# idle CPU, host side over %.1f s (/proc: user + system of the emulated process):\n", wall
        printf "#   zena.exe                         %6.2f %%\n", cpu[1]
        printf "#   reference, no window             %6.2f %%\n", cpu[2]
        printf "#   reference with a hidden window   %6.2f %%\n", cpu[3]
        printf "#   wineserver (serves all of them)  %6.2f %%\n", cpu[4]
        if (cpu[3] > 0) printf "#   zena / windowed reference        %6.2f\n", cpu[1] / cpu[3]
    }'
}

mkdir -p "$work/logs"
rm -f "$log"
sample_host_side >"$stage/host.txt" &
sampler=$!
ZENA_BUILD_DIR=$stage ZENA_WINE_DIR=$work ZENA_UNDER_TEST=$stage/win32/bin/zena.exe \
    "$repo/tests/wine/run_suite.sh" hotkey_bench_test 2>&1 | grep -v '^ok - pe:'
status=${PIPESTATUS[0]}
wait "$sampler" 2>/dev/null
cat "$stage/host.txt"
exit "$status"
