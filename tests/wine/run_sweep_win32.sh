#!/usr/bin/env bash
# The exit sweep in a 32-bit prefix (WINEARCH=win32): no WOW64, so zena.exe
# reads button data at offset 12 of a 32-bit stand-in shell's toolbars.
# Runs sweep_test.exe of the win32 build on a private X server and a private
# 32-bit prefix, apart from run_suite.sh because that one keeps a single
# 64-bit prefix. Every process of a 32-bit prefix runs emulated on this kind
# of machine; measured here: about 25 s to create the prefix, 25 s for the
# test (the figures are printed on every run).
#
#   tests/wine/run_sweep_win32.sh
# Environment: ZENA_BUILD_DIR (default <repo>/build), ZENA_WINE32_DIR (default
# <build>/wine32: prefix and logs), ZENA_TEST_TIMEOUT (default 300 s).
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZENA_BUILD_DIR:-$repo/build}
work=${ZENA_WINE32_DIR:-$build/wine32}
prefix=$work/prefix
logs=$work/logs
bin32=$build/win32/bin
limit=${ZENA_TEST_TIMEOUT:-300}
wine=$(command -v wine || echo /usr/lib/wine/wine)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
xvfb_pid=""
desktop_pid=""
display=""

elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
wine_env() {
    env WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 DISPLAY=":$display" \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}
stop_pid() {
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null
    for ((i = 0; i < 30; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}
cleanup() {
    trap - EXIT INT TERM HUP
    WINEPREFIX="$prefix" timeout 30 "$wineserver" -k 2>/dev/null
    stop_pid "$desktop_pid"
    stop_pid "$xvfb_pid"
    rm -f "$work/display.$$"
}
trap cleanup EXIT
trap 'echo "# interrupted"; exit 130' INT TERM HUP
winpath() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

for exe in sweep_test.exe standin32_shell.exe zena.exe; do
    [ -f "$bin32/$exe" ] || { echo "not ok - $bin32/$exe exists: build the win32 preset first"; exit 1; }
done
mkdir -p "$work" "$logs"
exec 9>"$work/suite.lock"
flock -w 900 9 || { echo "not ok - $work is held by another run"; exit 2; }

start=$(date +%s.%N)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display.$$" >"$logs/xvfb.log" 2>&1 &
xvfb_pid=$!
for ((i = 0; i < 100; i++)); do
    display=$(tr -dc '0-9' <"$work/display.$$" 2>/dev/null)
    [ -n "$display" ] && break
    sleep 0.1
done
[ -n "$display" ] || { echo "not ok - Xvfb started"; exit 1; }

if [ ! -f "$prefix/.zena-win32" ]; then
    rm -rf "$prefix"
    t=$(date +%s.%N)
    wine_env timeout 900 "$wine" wineboot -i >"$logs/wineboot.log" 2>&1 ||
        { echo "not ok - 32-bit prefix created: see $logs/wineboot.log"; exit 1; }
    WINEPREFIX="$prefix" timeout 120 "$wineserver" -w
    touch "$prefix/.zena-win32"
    echo "# 32-bit prefix created in $(elapsed "$t") s"
fi

t=$(date +%s.%N)
wine_env "$wine" explorer /desktop=zena32,1024x768 >"$logs/desktop.log" 2>&1 &
desktop_pid=$!
for ((i = 0; i < 600; i++)); do
    DISPLAY=":$display" xdotool search --limit 1 --name . >/dev/null 2>&1 && break
    kill -0 "$desktop_pid" 2>/dev/null || break
    sleep 0.2
done
echo "# desktop up in $(elapsed "$t") s"

t=$(date +%s.%N)
wine_env ZENA_EXE="$(winpath "$bin32/zena.exe")" ZENA_BIN32="$(winpath "$bin32")" \
    timeout -k 5 "$limit" "$wine" "$bin32/sweep_test.exe" >"$logs/sweep_test.log" 2>&1
code=$?
tr -d '\r' <"$logs/sweep_test.log" >"$logs/sweep_test.txt"
cat "$logs/sweep_test.txt"
echo "# sweep_test: exit code $code, $(elapsed "$t") s; whole run $(elapsed "$start") s"
ok=$(grep -c '^ok - ' "$logs/sweep_test.txt")
not_ok=$(grep -c '^not ok - ' "$logs/sweep_test.txt")
if [ "$code" != 0 ] && [ "$not_ok" = 0 ]; then
    echo "not ok - sweep_test exited with code $code without reporting a failed check"
    not_ok=1
fi
[ "$ok" -gt 0 ] || { echo "not ok - sweep_test reported no checks"; not_ok=$((not_ok + 1)); }
echo "$ok passed, $not_ok failed"
[ "$not_ok" = 0 ]
