#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, as root. Idempotent:
# packages already present are not touched, and 32-bit execution is set up
# only where the machine cannot run 32-bit programs by itself.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine32:i386 wine64 xvfb xauth imagemagick xdotool fonts-wqy-microhei zip
          clang clang-tidy clang-format cppcheck)

missing() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

apt_updated=0
apt_update() {
    [ "$apt_updated" = 1 ] && return 0
    apt-get update -qq
    apt_updated=1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
# shellcheck disable=SC2207
need=($(missing "${packages[@]}"))
if [ "${#need[@]}" -gt 0 ]; then
    echo "setup: installing ${need[*]}"
    apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Wine starts 32-bit Windows programs through its 32-bit Linux loader. Some
# virtual machines cannot execute 32-bit code at all; there the loader runs
# under qemu's user-mode emulator, registered for i386 ELF files. qemu
# before 8 spends about a minute in every 32-bit Wine start (its guest mmap
# search), so the emulator comes from bookworm-backports.
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if ! runs_32bit; then
    if ! qemu-i386-static --version 2>/dev/null | grep -Eq 'version ([89]|[1-9][0-9])\.'; then
        echo "setup: installing qemu-user-static from bookworm-backports for 32-bit execution"
        if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
            echo 'deb http://deb.debian.org/debian bookworm-backports main' \
                > /etc/apt/sources.list.d/zena-backports.list
            apt_updated=0
        fi
        apt_update
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            -t bookworm-backports qemu-user-static >/dev/null
    fi
    [ -e /proc/sys/fs/binfmt_misc/register ] ||
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    # The F flag opens the emulator now, so a stale registration keeps an old
    # binary alive: replace ours whenever it is there.
    [ -e /proc/sys/fs/binfmt_misc/zena-i386 ] && echo -1 > /proc/sys/fs/binfmt_misc/zena-i386
    printf '%s' ':zena-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > /proc/sys/fs/binfmt_misc/register
    runs_32bit || { echo "setup: 32-bit programs still cannot run" >&2; exit 1; }
fi
