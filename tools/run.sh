#!/usr/bin/env bash
# Builds zena.exe and runs it under Wine. With a $DISPLAY it runs in a Wine
# virtual desktop there until the tool is quitted from its tray menu; without
# one it runs on a private Xvfb for a few seconds, saves a screenshot of the
# desktop with the tray icon and says where it is.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash tools/setup.sh
bash tools/build.sh win32

export WINEPREFIX="$root/build/wine/run-prefix" WINEDEBUG=-all
# The ANSI code page 936 for the Chinese texts; set for Wine only, since no
# glibc locale of that name needs to exist.
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }
exe="$root/build/win32/bin/zena.exe"
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    mkdir -p "$root/build/wine"
    number_file="$root/build/wine/run-display"
    : > "$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -s "$number_file" ] && break; sleep 0.2; done
    [ -s "$number_file" ] || { echo "run: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$number_file")"
    headless=1
fi
[ -d "$WINEPREFIX/drive_c" ] || wineboot -i >/dev/null 2>&1

if [ -z "${headless:-}" ]; then
    echo "run: zena is in the notification area of the Wine desktop; quit it from its tray menu"
    wine explorer /desktop=zena,1024x768 "$exe"
    exit 0
fi

wine explorer /desktop=zena,1024x768 "$exe" >/dev/null 2>&1 &
desktop_pid=$!
sleep 8
shot="$root/build/wine/run-desktop.png"
import -display "$DISPLAY" -window root "$shot"
echo "run: zena is running on a private display; screenshot of its desktop: $shot"
kill "$desktop_pid" 2>/dev/null || true
