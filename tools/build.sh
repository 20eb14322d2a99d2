#!/usr/bin/env bash
# Configures and builds the given presets (default: all three).
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ "${#presets[@]}" -gt 0 ] || presets=(native win32 win64)
for preset in "${presets[@]}"; do
    cmake --preset "$preset" >/dev/null
    # The clang build is there for the product; the test programs come from
    # the gcc builds.
    if [ "$preset" = win32-clang ]; then
        cmake --build --preset "$preset" -j"$(nproc)" --target zena
    else
        cmake --build --preset "$preset" -j"$(nproc)"
    fi
done
