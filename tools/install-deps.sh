#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the fuzz targets need.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    libsdl2-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-gl gstreamer1.0-x gstreamer1.0-alsa
    xvfb xauth xdotool libx11-dev libxtst-dev
    libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 libglu1-mesa
    libopenal-dev libopenal1
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    locales
    qstat
)
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
# A locale with a decimal comma, so the tests can prove that numbers in text files ignore the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo_cmd[@]}" locale-gen
fi
