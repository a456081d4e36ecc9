#!/bin/sh
# Starts the real program under a virtual X server, once without arguments (the demo outline
# is built beside the program) and once with that file as its argument; each start saves a
# screenshot and quits. The screenshots stay in the output folder as the test's artifacts.
# Usage: smoke.sh <path of the tovrin program> <output folder>
set -eu
program=$1
out=$2

rm -rf "$out"
mkdir -p "$out/bin" "$out/config" "$out/data" "$out/runtime"
chmod 700 "$out/runtime"
cp "$program" "$out/bin/tovrin"
cp "$(dirname "$program")/DemoData.dat" "$out/bin/DemoData.dat"

unset QT_QPA_PLATFORM
export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" XDG_RUNTIME_DIR="$out/runtime"

start() {
    shot=$1
    shift
    TOVRIN_SMOKE_SCREENSHOT="$out/$shot" timeout 60 \
        xvfb-run -a -s "-screen 0 1024x768x24" "$out/bin/tovrin" "$@"
    if [ ! -s "$out/$shot" ]; then
        echo "no screenshot $shot" >&2
        exit 1
    fi
}

start first-start.png
if [ ! -s "$out/bin/tovrinPlannerDemo.tvd" ]; then
    echo "the demo outline was not written" >&2
    exit 1
fi

start screenshot.png "$out/bin/tovrinPlannerDemo.tvd"
if ! grep -q "LastDBFile=.*tovrinPlannerDemo.tvd" "$out/config/Tovrin/Tovrin.conf"; then
    echo "the last outline was not remembered" >&2
    exit 1
fi
echo "screenshots in $out"
