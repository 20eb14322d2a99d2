#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test layer:
# the native unit tests against the fake (plain, then under Address- and
# UndefinedBehaviorSanitizer, then under ThreadSanitizer), the PE hardening
# check, then the Wine suite against the real zena.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh native native-asan native-tsan win32 win64
ctest --preset native-asan
ctest --preset native-tsan
ctest --preset native
bash tests/wine/run_suite.sh
