#!/usr/bin/env bash
# Runs the Wine suite: the PE hardening check, then every test program of
# the 32-bit build (build/win32/bin/*_test.exe) and of the 64-bit build
# (build/win64/bin/*_test64.exe) against the built zena.exe, each under a
# time limit, on a private X server and a private Wine prefix.
#
#   tests/wine/run_suite.sh [NAME...]    NAME: a test program's base name
#                                        (frame_test); none: all of them
# Environment: ZENA_BUILD_DIR (default <repo>/build), ZENA_WINE_DIR (default
# <build>/wine: prefix, logs, screenshots), ZENA_TEST_TIMEOUT (seconds per
# test program, default 180), ZENA_KEEP_BMP=1 keeps the raw screenshots,
# ZENA_UNDER_TEST (default <build>/win32/bin/zena.exe) the exe to test.
#
# It builds nothing: build the win32 (and, for 64-bit tests, win64) presets
# first. Everything it starts (Xvfb, the Wine desktop, the test programs
# and the prefix's wineserver) it ends by PID or by its own prefix, on every
# path out. The last line is "N passed, N failed"; the exit code is non-zero
# when anything failed.
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZENA_BUILD_DIR:-$repo/build}
work=${ZENA_WINE_DIR:-$build/wine}
prefix=$work/prefix
shots=$work/screenshots
logs=$work/logs
bin32=$build/win32/bin
bin64=$build/win64/bin
limit=${ZENA_TEST_TIMEOUT:-180}
zena=${ZENA_UNDER_TEST:-$bin32/zena.exe}
wine32=$(command -v wine || echo /usr/lib/wine/wine)
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$wine32
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

suite_start=$(date +%s.%N)
passed=0
failed=0
skipped=0
xvfb_pid=""
desktop_pid=""
test_pid=""
server_used=0

elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
say() { echo "# $*"; }

wine_env() {
    env WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 DISPLAY=":$display" \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

stop_pid() {  # stop_pid PID: TERM, a bounded wait, then KILL
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    kill -TERM "$pid" 2>/dev/null
    for ((i = 0; i < 30; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

stop_server() {  # ends every Windows process of our prefix, and its wineserver
    [ "$server_used" = 1 ] || return 0
    WINEPREFIX="$prefix" timeout 20 "$wineserver" -k 2>/dev/null
    WINEPREFIX="$prefix" timeout 20 "$wineserver" -w 2>/dev/null
    return 0
}

cleanup() {
    trap - EXIT INT TERM HUP
    stop_pid "$test_pid"
    stop_server
    stop_pid "$desktop_pid"
    stop_pid "$xvfb_pid"
    rm -f "$work/display.$$"
}
trap cleanup EXIT
trap 'echo "# interrupted"; exit 130' INT TERM HUP

# Windows path of a Unix path; the prefix maps Z: to /.
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

mkdir -p "$work" "$shots" "$logs"

# Two runs on one prefix would end each other's programs: one at a time.
exec 9>"$work/suite.lock"
if ! flock -n 9; then
    say "another suite run holds $work; waiting for it (at most 15 minutes)"
    flock -w 900 9 || { echo "another suite run still holds $work"; echo "0 passed, 1 failed"; exit 2; }
fi

# --- The PE hardening check (needs no Wine) -----------------------------------
count_lines() {  # count_lines LOG: adds its ok / not ok lines to the totals
    local ok not_ok skip
    ok=$(grep -c '^ok - ' "$1")
    skip=$(grep -c '^ok - .* # SKIP' "$1")
    not_ok=$(grep -c '^not ok - ' "$1")
    passed=$((passed + ok - skip))
    skipped=$((skipped + skip))
    failed=$((failed + not_ok))
    last_not_ok=$not_ok
    last_ok=$((ok - skip))
}

"$repo/tests/wine/check_pe.sh" "$zena" >"$logs/check_pe.log" 2>&1
cat "$logs/check_pe.log"
count_lines "$logs/check_pe.log"

if [ ! -f "$zena" ]; then
    echo "not ok - $zena exists: build the win32 preset first"
    echo "$passed passed, $((failed + 1)) failed"
    exit 1
fi

# --- The test programs --------------------------------------------------------
programs=()
for exe in "$bin32"/*_test.exe "$bin64"/*_test64.exe; do
    [ -f "$exe" ] || continue
    name=$(basename "$exe" .exe)
    if [ "$#" -gt 0 ]; then
        wanted=0
        for arg in "$@"; do [ "$arg" = "$name" ] && wanted=1; done
        [ "$wanted" = 1 ] || continue
    fi
    programs+=("$exe")
done
for arg in "$@"; do
    found=0
    for exe in "${programs[@]}"; do [ "$(basename "$exe" .exe)" = "$arg" ] && found=1; done
    if [ "$found" = 0 ]; then
        echo "not ok - $arg: no such test program in $bin32 or $bin64"
        failed=$((failed + 1))
    fi
done

# --- X server -----------------------------------------------------------------
start_xvfb() {
    local file=$work/display.$$ i
    rm -f "$file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$file" \
        >"$logs/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for ((i = 0; i < 100; i++)); do
        display=$(tr -dc '0-9' <"$file" 2>/dev/null)
        [ -n "$display" ] && return 0
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    return 1
}

# --- Prefix -------------------------------------------------------------------
# The prefix is rebuilt when it is missing, half-made, or was made by another
# Wine or with other settings.
prefix_settings=$(cat <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="zena"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"zena"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops\zena]
"EnableShell"=dword:00000001
EOF
)
stamp="$($wine64 --version 2>/dev/null) $(md5sum <<<"$prefix_settings" | cut -c1-12)"

make_prefix() {
    local start
    start=$(date +%s.%N)
    rm -rf "$prefix"
    mkdir -p "$prefix"
    say "creating the Wine prefix $prefix"
    server_used=1
    wine_env timeout 300 "$wine64" wineboot -i >"$logs/wineboot.log" 2>&1 || return 1
    printf '%s\n' "$prefix_settings" >"$work/settings.reg"
    wine_env timeout 60 "$wine64" regedit /S "$(winpath "$work/settings.reg")" \
        >>"$logs/wineboot.log" 2>&1 || return 1
    WINEPREFIX="$prefix" timeout 60 "$wineserver" -w
    echo "$stamp" >"$prefix/.zena-stamp"
    say "prefix created in $(elapsed "$start") s"
}

start_desktop() {
    local i
    wine_env "$wine64" explorer /desktop=zena,1024x768 >"$logs/desktop.log" 2>&1 &
    desktop_pid=$!
    server_used=1
    # The desktop is up once its window exists on the X display. The
    # launcher may hand over to a desktop process of the prefix and end, so
    # its end alone says nothing; wineserver -k ends that process.
    for ((i = 0; i < 200; i++)); do
        DISPLAY=":$display" xdotool search --limit 1 --name . >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

if [ "${#programs[@]}" -gt 0 ]; then
    if ! start_xvfb; then
        echo "not ok - Xvfb started: see $logs/xvfb.log"
        echo "$passed passed, $((failed + 1)) failed"
        exit 1
    fi
    say "Xvfb on :$display (pid $xvfb_pid)"
    # A wineserver left by an earlier run that was killed would hold the
    # prefix: it is ours (our prefix), so end it.
    server_used=1
    stop_server
    if [ "$(cat "$prefix/.zena-stamp" 2>/dev/null)" != "$stamp" ]; then
        if ! make_prefix; then
            echo "not ok - Wine prefix created: see $logs/wineboot.log"
            echo "$passed passed, $((failed + 1)) failed"
            exit 1
        fi
    fi
    desktop_start=$(date +%s.%N)
    if ! start_desktop; then
        echo "not ok - Wine desktop started: see $logs/desktop.log"
        echo "$passed passed, $((failed + 1)) failed"
        exit 1
    fi
    say "Wine desktop up in $(elapsed "$desktop_start") s (explorer pid $desktop_pid)"
fi

for exe in "${programs[@]}"; do
    name=$(basename "$exe" .exe)
    log=$logs/$name.log
    rm -f "$shots/$name"-*.png "$shots/$name"-*.bmp
    loader=$wine32
    [[ $name == *_test64 ]] && loader=$wine64
    say "--- $name"
    start=$(date +%s.%N)
    wine_env ZENA_EXE="$(winpath "$zena")" ZENA_SHOTS="$(winpath "$shots")" \
        ZENA_BIN32="$(winpath "$bin32")" ZENA_BIN64="$(winpath "$bin64")" \
        timeout -k 5 "$limit" "$loader" "$exe" >"$log" 2>&1 &
    test_pid=$!
    wait "$test_pid"
    code=$?
    test_pid=""
    took=$(elapsed "$start")
    tr -d '\r' <"$log" >"$log.tmp" && mv "$log.tmp" "$log"
    cat "$log"
    count_lines "$log"
    if [ "$code" = 124 ] || [ "$code" = 137 ]; then
        echo "not ok - $name finished within ${limit} s: ended by the runner"
        failed=$((failed + 1))
        # What it started may still run and would confuse the next test:
        # end every program of our prefix and bring the desktop back.
        stop_server
        stop_pid "$desktop_pid"
        start_desktop || say "the Wine desktop did not come back"
    elif [ "$code" != 0 ] && [ "$last_not_ok" = 0 ]; then
        echo "not ok - $name exited with code $code without reporting a failed check"
        failed=$((failed + 1))
    elif [ "$code" = 0 ] && [ "$last_ok" = 0 ] && [ "$last_not_ok" = 0 ]; then
        echo "not ok - $name reported no checks"
        failed=$((failed + 1))
    fi
    say "$name: exit code $code, $took s"
done

# --- Screenshots --------------------------------------------------------------
if [ -n "${display:-}" ]; then
    DISPLAY=":$display" timeout 20 import -window root "$shots/suite-end.png" 2>/dev/null ||
        say "final screenshot failed"
fi
for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] || continue
    if timeout 30 convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
        [ "${ZENA_KEEP_BMP:-0}" = 1 ] || rm -f "$bmp"
    else
        say "could not convert $bmp"
    fi
done
say "screenshots in $shots"
say "logs in $logs"
[ "$skipped" -gt 0 ] && say "$skipped checks skipped"
say "suite took $(elapsed "$suite_start") s"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
