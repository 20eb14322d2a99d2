#!/usr/bin/env bash
# Builds zena-1.0.0-win32.zip: zena.exe, the user README and their SHA-256
# sums. Reproducible: the exe carries no link time stamp, and every file in
# the archive gets the same fixed time, order and permissions.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build_dir=${1:-build/win32}
out_dir=${2:-build/release}
bash tools/setup.sh >/dev/null
if [ "$build_dir" = build/win32 ]; then
    bash tools/build.sh win32 >/dev/null
fi

name=zena-1.0.0-win32
stage="$root/$out_dir/$name"
rm -rf "$stage" "$root/$out_dir/$name.zip"
mkdir -p "$stage"
cp "$root/$build_dir/bin/zena.exe" "$stage/zena.exe"
# CR LF, so Notepad on older Windows shows the lines.
sed 's/$/\r/' "$root/resources/release/README.txt" > "$stage/README.txt"
(cd "$stage" && sha256sum zena.exe README.txt | sed 's/$/\r/' > SHA256SUMS)
chmod 0644 "$stage"/*
touch -h -d '2026-01-01 00:00:00 UTC' "$stage" "$stage"/*
(cd "$root/$out_dir" && TZ=UTC zip -X -D -q -9 "$name.zip" "$name/zena.exe" "$name/README.txt" "$name/SHA256SUMS")
echo "$root/$out_dir/$name.zip"
sha256sum "$root/$out_dir/$name.zip" | cut -d' ' -f1
