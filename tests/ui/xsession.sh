# Shared by the scripts that run the real program under a virtual X server; sourced, not run.
#
# start_xsession <program> <output folder> <seconds> <script> <script's arguments...>: lays out a
# fresh home for the program in the output folder (its own settings, data and runtime folders; the
# program and the demo outline's data in bin/) and runs the script again inside xvfb-run, with
# --inside and the output folder as its first arguments.
start_xsession() {
    program=$1
    out=$2
    seconds=$3
    script=$4
    rm -rf "$out"
    mkdir -p "$out/bin" "$out/config" "$out/data" "$out/runtime"
    chmod 700 "$out/runtime"
    cp "$program" "$out/bin/tovrin"
    cp "$(dirname "$program")/DemoData.dat" "$out/bin/DemoData.dat"
    unset QT_QPA_PLATFORM
    export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" XDG_RUNTIME_DIR="$out/runtime"
    # Sessions started at once would all look for a free display from the same number; each
    # looks from a number of its own.
    exec timeout "$seconds" xvfb-run -n $((100 + $$ % 800)) -a -s "-screen 0 1024x768x24" sh "$script" --inside "$out"
}

fail() {
    echo "$xsession_name: $*" >&2
    exit 1
}

# Waits up to 20 s for a shell condition.
until_true() {
    tries=0
    until eval "$1"; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || fail "timed out: $2"
        sleep 0.2
    done
}
