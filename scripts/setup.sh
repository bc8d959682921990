#!/bin/sh
# Installs what building and testing Dodavirid needs on Debian 12, and nothing when all is there.
set -e

packages="cmake ninja-build g++ clang libclang-rt-14-dev g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb
    xdotool imagemagick fonts-ipafont-gothic locales midicsv abcmidi python3-mido fluidsynth
    timgm6mb-soundfont zip unzip groff-base vim"
# Node.js and npm run the test of the editors' grammars (and pack the VS Code extension); a machine that has them
# from elsewhere keeps its own.
command -v npm >/dev/null 2>&1 || packages="$packages nodejs npm"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    missing="$missing wine32:i386"
fi
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
fi

# Wine shows the Japanese texts, and uses code page 932, only under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
fi
