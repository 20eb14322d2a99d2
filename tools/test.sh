#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test layer:
# the native unit tests against the fake (under Address- and
# UndefinedBehaviorSanitizer, under ThreadSanitizer, then plain), the static
# checks, the release archive built twice and compared, then the Wine suite
# (the PE hardening check first) against the real zena.exe, once as gcc
# builds it and once as clang does, and the sweep in a 32-bit prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh native native-asan native-tsan win32 win64 win32-clang
ctest --preset native-asan
ctest --preset native-tsan
ctest --preset native
bash tools/lint.sh
bash tests/release/check_reproducible.sh
bash tests/wine/run_suite.sh
# The same suite against the exe that clang builds from the same sources.
ZENA_UNDER_TEST="$PWD/build/win32-clang/bin/zena.exe" bash tests/wine/run_suite.sh
# The sweep once more in a 32-bit prefix, against a 32-bit shell.
bash tests/wine/run_sweep_win32.sh
