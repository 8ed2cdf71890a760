#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, for amd64 and i386.
# Safe to run again: apt skips what is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
# As root it runs apt itself; as another user it goes through sudo, which a fresh Debian
# does not have until someone installs it.
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: run this as root (for example: su -c 'bash scripts/install-deps.sh'), or install sudo first" >&2
        exit 1
    fi
    SUDO="sudo"
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi

pkgs=(
    g++ g++-multilib make cmake pkg-config git python3
    libx11-dev libxext-dev libxinerama-dev libxmu-dev libxpm-dev libxtst-dev
    libx11-dev:i386 libxext-dev:i386 libxinerama-dev:i386 libxmu-dev:i386 libxpm-dev:i386 libxtst-dev:i386
    libgtest-dev libgmock-dev libgtest-dev:i386 libgmock-dev:i386
    libbenchmark-dev
    clang libclang-rt-14-dev llvm valgrind
    xvfb xauth x11-apps x11-utils imagemagick xdotool
    jackd2 libjack-jackd2-dev libjack-jackd2-dev:i386
    lv2-dev lv2-dev:i386 libserd-dev libserd-dev:i386 liblilv-dev liblilv-dev:i386
    lilv-utils sordi jalv
    xfonts-base xfonts-75dpi xfonts-100dpi
)

missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
