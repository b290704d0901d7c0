#!/usr/bin/env bash
# Installs every Debian 12 package needed to build, run and test both programs.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config \
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev qt6-qpa-plugins \
    libgtest-dev libgmock-dev libbenchmark-dev \
    clang libclang-rt-14-dev \
    xvfb xauth x11-utils xdotool openbox imagemagick dbus-daemon \
    fonts-noto-cjk \
    hyperfine time python3 \
    lintian appstream desktop-file-utils man-db systemd librsvg2-bin debootstrap \
    >/dev/null
