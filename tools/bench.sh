#!/usr/bin/env bash
# The benchmark report: builds what it needs, measures, prints one table.
# Not part of the test run; it asserts nothing and fails only when it could
# not measure. About 5-8 minutes here.
#
#   tools/bench.sh
#
# Everything Windows-side runs under Wine, 32-bit code under qemu emulation
# on this machine, through tests/wine/run_suite.sh (its own X server, desktop
# and prefix, in build/wine-bench unless ZENA_WINE_DIR says otherwise). Each
# figure is measured beside a reference program in the same run, so the ratio
# holds on a noisy machine even where the raw figures move.
# Counts (environment): ZENA_BENCH_WINDOWS (3) x ZENA_BENCH_IDLE_SECONDS (10) of
# idle CPU, ZENA_BENCH_PRESSES (100), ZENA_BENCH_STARTS (20),
# ZENA_BENCH_EXITS (10), ZENA_BENCH_BUTTONS (200), ZENA_BENCH_TICK_RUNS (5).
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build
stage=$build/bench-stage
work=${ZENA_WINE_DIR:-$build/wine-bench}
logs=$work/logs
figures=$stage/figures.txt
export ZENA_BENCH_WINDOWS=${ZENA_BENCH_WINDOWS:-3} ZENA_BENCH_IDLE_SECONDS=${ZENA_BENCH_IDLE_SECONDS:-10}
export ZENA_BENCH_PRESSES=${ZENA_BENCH_PRESSES:-100} ZENA_BENCH_STARTS=${ZENA_BENCH_STARTS:-20}
export ZENA_BENCH_EXITS=${ZENA_BENCH_EXITS:-10} ZENA_BENCH_BUTTONS=${ZENA_BENCH_BUTTONS:-200}
tick_runs=${ZENA_BENCH_TICK_RUNS:-5}
say() { echo "# $*" >&2; }

# --- Build --------------------------------------------------------------------
say "building (native bench target, win32, win64)"
(cd "$repo" && cmake --preset native >/dev/null && cmake --build --preset native --target hotkey_poll_bench -j2 >/dev/null &&
    cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 --target zena probe32 bench32_hotkey \
        bench32_report bench32_poll_reference bench32_hidden_window >/dev/null &&
    cmake --preset win64 >/dev/null && cmake --build --preset win64 -j2 --target bench64_shell >/dev/null) ||
    { echo "build failed"; exit 1; }
bin32=$build/win32/bin
bin64=$build/win64/bin
rm -rf "$stage"
mkdir -p "$stage/win32/bin" "$stage/win64/bin" "$logs"
: >"$figures"

# --- Engine tick (native) -------------------------------------------------------
say "engine tick: $tick_runs runs of hotkey_poll_bench"
for ((run = 0; run < tick_runs; run++)); do
    "$build/native/hotkey/hotkey_poll_bench" | awk '
        /^255 key reads alone/ { print "tick_reads", $5 }
        $2 == "all" && $1 > 0 { print "tick_up_" $1, $6 }
        $2 == "1/4" && $1 > 0 { print "tick_held_" $1, $6 }' >>"$figures"
done

# --- Size ---------------------------------------------------------------------
exe=$bin32/zena.exe
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
strip=$(command -v i686-w64-mingw32-strip || command -v strip)
cp "$exe" "$stage/stripped.exe" && "$strip" "$stage/stripped.exe" 2>/dev/null
debug_sections=$("$objdump" -h "$exe" | grep -c ' \.debug' || true)
imports=$("$objdump" -p "$exe" | awk '
    /DLL Name:/ { if (dll) { printf "%s%s (%d)", sep, dll, n; sep = ", " } dll = $3; n = 0; next }
    dll && /^\t[0-9a-f]+\t *[0-9]+ +[A-Za-z_]/ { n++ }
    END { if (dll) printf "%s%s (%d)", sep, dll, n }')

# --- Wine ---------------------------------------------------------------------
cp "$exe" "$stage/win32/bin/zena.exe"
cp "$bin32/bench32_poll_reference.exe" "$bin32/bench32_hidden_window.exe" "$stage/win32/bin/"
cp "$bin32/bench32_hotkey.exe" "$stage/win32/bin/hotkey_bench_test.exe"
cp "$bin32/bench32_report.exe" "$stage/win32/bin/report_bench_test.exe"
cp "$bin64/bench64_shell.exe" "$stage/win64/bin/"
report_log=$logs/report_bench_test.log
rm -f "$report_log" "$logs/hotkey_bench_test.log"

# CPU ticks (user + system) of the Wine processes of our prefix whose
# command line matches, summed; the emulator's work is in them too.
host_ticks() {
    local pid total=0
    for pid in $(pgrep -f "$1" 2>/dev/null); do
        grep -qz "^WINEPREFIX=$work/prefix$" "/proc/$pid/environ" 2>/dev/null || continue
        total=$((total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)))
        echo "$1: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-200)" >>"$stage/host-pids.txt"
    done
    echo "$total"
}
host_memory() {  # host_memory PATTERN NAME: resident and anonymous (private) bytes
    local pid
    for pid in $(pgrep -f "$1" 2>/dev/null); do
        grep -qz "^WINEPREFIX=$work/prefix$" "/proc/$pid/environ" 2>/dev/null || continue
        awk -v name="$2" '/^VmRSS:/ { print "host_rss_" name, $2 * 1024 }
                          /^RssAnon:/ { print "host_anon_" name, $2 * 1024 }' "/proc/$pid/status"
        return
    done
}
patterns=('zena\.exe' 'bench32_poll_reference\.exe --seconds' 'bench32_poll_reference\.exe --window'
    'bench32_hidden_window\.exe' 'wineserver')
names=(zena plain windowed hidden wineserver)
wait_line() {  # wait_line TEXT: until the report log has it (bounded)
    local i
    for ((i = 0; i < 3000; i++)); do
        grep -q "$1" "$report_log" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
sample_idle() {
    local window i before after t0 t1
    for ((window = 1; window <= ZENA_BENCH_WINDOWS; window++)); do
        wait_line "cpu window $window start" || return 0
        before=(); for i in "${!patterns[@]}"; do before+=("$(host_ticks "${patterns[$i]}")"); done
        t0=$(date +%s.%N)
        host_memory 'zena\.exe' zena
        host_memory 'bench32_hidden_window\.exe' reference
        wait_line "cpu window $window end" || return 0
        after=(); for i in "${!patterns[@]}"; do after+=("$(host_ticks "${patterns[$i]}")"); done
        t1=$(date +%s.%N)
        for i in "${!patterns[@]}"; do
            awk -v name="${names[$i]}" -v d="$((after[i] - before[i]))" -v a="$t0" -v b="$t1" \
                -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "cpu_%s %.3f\n", name, 100 * d / hz / (b - a) }'
        done
    done
}

say "Wine: latency ($ZENA_BENCH_PRESSES presses), idle CPU ($ZENA_BENCH_WINDOWS x $ZENA_BENCH_IDLE_SECONDS s)," \
    "start-up ($ZENA_BENCH_STARTS), exit ($ZENA_BENCH_EXITS x $ZENA_BENCH_BUTTONS buttons)"
sample_idle >"$stage/host.txt" &
sampler=$!
# One suite run for both programs; bench32_hotkey.exe measures latency only
# (ZENA_BENCH_SECONDS=0), idle CPU is the report's.
ZENA_BUILD_DIR=$stage ZENA_WINE_DIR=$work ZENA_TEST_TIMEOUT=900 ZENA_BENCH_SECONDS=0 \
    "$repo/tests/wine/run_suite.sh" hotkey_bench_test report_bench_test >"$stage/suite.txt" 2>&1
suite_status=$?
# The sampler is done by now unless the report never opened its windows.
kill "$sampler" 2>/dev/null
wait "$sampler" 2>/dev/null
cat "$stage/host.txt" >>"$figures"
sed -n 's/^# fig //p' "$report_log" >>"$figures"

# --- The table ------------------------------------------------------------------
values() { awk -v name="$1" '$1 == name { print $2 }' "$figures" | sort -g; }
count() { values "$1" | wc -l; }
# fig NAME [SCALE [DECIMALS]]: "median (min–max)" of the figure, times SCALE.
fig() {
    values "$1" | awk -v scale="${2:-1}" -v d="${3:-1}" '{ v[NR] = $1 * scale }
        END { if (!NR) { print "n/a"; exit }
              m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "%.*f (%.*f–%.*f)", d, m, d, v[1], d, v[NR] }'
}
median() {
    values "$1" | awk -v scale="${2:-1}" '{ v[NR] = $1 * scale }
        END { if (NR) print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# ratio A B: the ratio of the medians, and the spread of the per-pair ratios
# (the pairs were measured side by side, in the order they are listed).
ratio() {
    awk -v a="$1" -v b="$2" 'function sort(v, n,  i, k, t) {
            for (i = 2; i <= n; i++) { t = v[i]; for (k = i - 1; k > 0 && v[k] > t; k--) v[k + 1] = v[k]; v[k + 1] = t }
        }
        $1 == a { x[++n] = $2 } $1 == b { y[++m] = $2 }
        END { k = n < m ? n : m; j = 0
              for (i = 1; i <= k; i++) if (y[i] > 0) r[++j] = x[i] / y[i]
              if (!j) { print "n/a"; exit }
              sort(x, n); sort(y, m); sort(r, j)
              mx = n % 2 ? x[(n + 1) / 2] : (x[n / 2] + x[n / 2 + 1]) / 2
              my = m % 2 ? y[(m + 1) / 2] : (y[m / 2] + y[m / 2 + 1]) / 2
              lo = r[int((j - 1) * 0.25 + 1.5)]; hi = r[int((j - 1) * 0.75 + 1.5)]
              if (j < 8) { lo = r[1]; hi = r[j]; what = "min–max" } else what = "IQR"
              printf "%.2f (%s of %d pairs %.2f–%.2f)", (my > 0 ? mx / my : 0), what, j, lo, hi }' "$figures"
}

latency=$(grep -h 'latency F8 down' "$logs/hotkey_bench_test.log" 2>/dev/null | tail -1)
lat_n=$(sed -n 's/.*over \([0-9]*\) presses.*/\1/p' <<<"$latency")
lat_median=$(sed -n 's/.*median \([0-9.]*\) ms.*/\1/p' <<<"$latency")
lat_p95=$(sed -n 's/.*p95 \([0-9.]*\) ms.*/\1/p' <<<"$latency")
lat_min=$(sed -n 's/.*min \([0-9.]*\) ms.*/\1/p' <<<"$latency")
lat_max=$(sed -n 's/.*max \([0-9.]*\) ms.*/\1/p' <<<"$latency")
missed=$(grep -h 'every press pinned' "$logs/hotkey_bench_test.log" 2>/dev/null | sed -n 's/.*: //p')

size=$(stat -c %s "$exe")
stripped=$(stat -c %s "$stage/stripped.exe")
kb() { awk -v b="$1" 'BEGIN { printf "%.1f KB", b / 1024 }'; }
cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
qemu=$( (qemu-i386-static --version || qemu-i386 --version) 2>/dev/null | head -1 | sed 's/ (.*//')

tick_row() {  # tick_row RECORDS
    local per
    per=$(values "tick_up_$1" | awk -v r="$1" '{ v[NR] = $1 } END {
        if (NR) printf "%.2f", (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) / r }')
    # At 1 and 10 records the engine's share is inside the noise of the reads.
    [ "$1" -ge 100 ] && per="${per} ns per record (keys up)" || per="within the reads' noise"
    echo "| Engine tick beyond the key reads, $1 record$([ "$1" = 1 ] || echo s) (ns) | keys up $(fig "tick_up_$1"); 1/4 held $(fig "tick_held_$1") | - | $per | linear growth |"
}

{
echo "Benchmarks of $(git -C "$repo" rev-parse --short HEAD) on $(date -u '+%Y-%m-%d %H:%M UTC'): $(nproc) cores, $cpu_model,"
echo "Linux $(uname -r), $(wine --version 2>/dev/null), $qemu. Windows-side figures are under Wine with"
echo "32-bit code emulated by qemu (no native 32-bit execution here), so they are slower than on Windows;"
echo "figures are \"median (min–max)\" over the runs given, ratios against a reference measured in the same run."
echo
echo "| figure | zena | reference | ratio zena / reference | target |"
echo "|---|---|---|---|---|"
echo "| Idle CPU, % of one core (host /proc, emulator included), $(count cpu_zena) × $ZENA_BENCH_IDLE_SECONDS s | $(fig cpu_zena 1 2) | 255-key poll every 10 ms on a thread with a hidden window: $(fig cpu_windowed 1 2); the same poll without a window: $(fig cpu_plain 1 2) | vs windowed: $(ratio cpu_zena cpu_windowed); vs windowless: $(ratio cpu_zena cpu_plain) | ≤ 1.05 (against the windowed reference) |"
echo "| Hotkey latency, injected Ctrl+F8 → target topmost, ${lat_n:-0} presses (ms) | median ${lat_median:-n/a}, p95 ${lat_p95:-n/a} (min–max ${lat_min:-?}–${lat_max:-?}); missed: ${missed:-none} | - | - | median ≤ 10, p95 ≤ 20 |"
echo "| Start-up: process start → host window and tray icon added, $(count start_zena) runs (ms) | $(fig start_zena); host window alone $(fig start_zena_host); tray request $(fig start_zena_tray) | one hidden window: $(fig start_reference) | $(ratio start_zena start_reference) | ≤ 1.2 |"
echo "| Exit with sweep: WM_CLOSE → process ended, $ZENA_BENCH_BUTTONS buttons ($(median exit_deleted) deleted), $(count exit_total) runs (ms) | $(fig exit_total); phases: WM_CLOSE → first toolbar message $(fig exit_before_sweep), sweep $(fig exit_sweep) for $(median exit_messages) toolbar messages, last toolbar message → process ended $(fig exit_after_sweep); the icon's removal request reached the shell at $(fig exit_icon_removed) | - | - | < 100 |"
echo "| Working set, GetProcessMemoryInfo (KB) | $(fig mem_ws_zena 0.0009765625 0) | one hidden window: $(fig mem_ws_reference 0.0009765625 0) | $(ratio mem_ws_zena mem_ws_reference) | - |"
if [ "$(median mem_private_zena)" = 0 ]; then
    echo "| Private bytes, GetProcessMemoryInfo | 0: Wine leaves PrivateUsage empty for another process; the anonymous memory below stands for it | - | - | - |"
else
    echo "| Private bytes, GetProcessMemoryInfo (KB) | $(fig mem_private_zena 0.0009765625 0) | one hidden window: $(fig mem_private_reference 0.0009765625 0) | $(ratio mem_private_zena mem_private_reference) | - |"
fi
echo "| Host resident / anonymous memory of the emulated process, /proc (MB) | $(fig host_rss_zena 0.00000095367431640625 1) / $(fig host_anon_zena 0.00000095367431640625 1) | one hidden window: $(fig host_rss_reference 0.00000095367431640625 1) / $(fig host_anon_reference 0.00000095367431640625 1) | $(ratio host_rss_zena host_rss_reference) / $(ratio host_anon_zena host_anon_reference) | - |"
echo "| Size of zena.exe (static; $([ "$debug_sections" = 0 ] && echo "no debug sections" || echo "$debug_sections debug sections")) | $size bytes ($(kb "$size")); stripped copy $stripped bytes | - | - | ≤ 100 KB |"
echo "| Imports of zena.exe (DLL, functions) | $imports | - | - | system DLLs only |"
echo "| Engine tick: the 255 fake key reads alone, native, $(count tick_reads) runs (ns) | $(fig tick_reads) | - | - | - |"
for records in 1 10 100 1000; do tick_row "$records"; done
echo
echo "Command: tools/bench.sh"
} >"$stage/table.md"
cat "$stage/table.md"
say "Wine suite output: $stage/suite.txt; program logs: $logs"
if [ "$suite_status" != 0 ]; then
    say "the Wine part reported failures (see above): its figures may be missing"
    exit 1
fi
