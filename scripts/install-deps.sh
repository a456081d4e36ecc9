#!/bin/sh
# Installs the Debian packages the build, the tests and the benchmarks need.
# Skips apt entirely when everything is already there.
# Usage: install-deps.sh [package...]
set -e
PACKAGES="cmake make g++ pkg-config ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl1-mesa-dev libpugixml-dev libx11-dev libxcb1-dev
  zlib1g-dev libdeflate-dev zip unzip p7zip-full python3
  xvfb xauth clang libclang-rt-14-dev"
# A window manager, a tray host, input and window properties (xprop) for the runs under a virtual
# X server; the desktop entry checks.
PACKAGES="$PACKAGES openbox trayer xdotool x11-utils desktop-file-utils shared-mime-info"
# The task store's iCalendar library, and the real task clients the synchronisation is tested with.
PACKAGES="$PACKAGES libical-dev todoman radicale vdirsyncer"
# ACLs, and a FAT file system through FUSE (no hard links), for the tests of replacing a file.
PACKAGES="$PACKAGES acl libacl1-dev fusefat dosfstools fuse"
PACKAGES="${*:-$PACKAGES}"   # or only those named, e.g. gcovr for `make coverage`
missing=""
for p in $PACKAGES; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
