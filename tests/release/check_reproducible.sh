#!/usr/bin/env bash
# Builds the release twice, from two separate build trees, and compares the
# archives byte for byte: the same sources must give the same zip.
set -euo pipefail
cd "$(dirname "$0")/../.."
first=$(bash tools/release.sh build/win32 build/release | tail -n1)
cmake -S . -B build/repro -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/repro -j"$(nproc)" --target zena >/dev/null
second=$(bash tools/release.sh build/repro build/release-repro | tail -n1)
if [ "$first" = "$second" ]; then
    echo "ok - release archive is reproducible ($first)"
    echo "1 passed, 0 failed"
else
    echo "not ok - release archives differ: $first vs $second"
    echo "0 passed, 1 failed"
    exit 1
fi
