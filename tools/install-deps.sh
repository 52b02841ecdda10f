#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the fuzz targets need.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    libsdl2-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
)
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
