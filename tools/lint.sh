#!/usr/bin/env bash
# Static checks over the sources: formatting, cppcheck and clang-tidy (the
# logic through the native compile database, the Windows-only files through
# the clang build for i686-w64-mingw32). Prints one line per check and exits
# non-zero on any finding.
set -uo pipefail
cd "$(dirname "$0")/.."
passed=0
failed=0
report() {
    if [ "$1" = 0 ]; then echo "ok - lint: $2"; passed=$((passed + 1))
    else echo "not ok - lint: $2"; failed=$((failed + 1)); fi
}

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}" 2>/tmp/zena-format.$$
status=$?; [ "$status" = 0 ] || head -n 20 /tmp/zena-format.$$; rm -f /tmp/zena-format.$$
report "$status" "clang-format leaves every source as it is"

cppcheck --enable=warning,style,performance,portability --std=c++17 --inline-suppr --quiet \
         --error-exitcode=1 --suppressions-list=.cppcheck-suppressions -I . \
         app pin hotkey traysweep platform resources
report $? "cppcheck finds nothing"

cmake --preset native >/dev/null && cmake --preset win32-clang >/dev/null
cmake --build --preset win32-clang --target zena_images >/dev/null
mapfile -t native_files < <(git ls-files 'pin/*.cpp' 'hotkey/*.cpp' 'traysweep/*.cpp' 'platform/fake/*.cpp' \
                            'resources/*.cpp')
mapfile -t windows_files < <(git ls-files 'app/*.cpp' 'platform/win32/*.cpp')
clang-tidy -p build/native --quiet --extra-arg=-Wno-unknown-warning-option "${native_files[@]}" 2>/dev/null
tidy_native=$?
clang-tidy -p build/win32-clang --quiet "${windows_files[@]}" 2>/dev/null
tidy_windows=$?
report $((tidy_native | tidy_windows)) "clang-tidy finds nothing"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
