#!/bin/sh
# The real program under a virtual X server with a window manager and a tray host, driven by
# xdotool as a person would: the first start builds the demo outline beside the program; the
# mouse opens a project's expander, selects the project, presses "High", drags the importance
# knob up and types a note; Ctrl+S saves, Alt+F4 quits, and the next start, which opens the
# last outline, must show what was entered. The title is read as the window manager shows it.
# The program, built with its smoke probe for this run, tells where its controls are and saves
# the screenshots; they stay in the output folder as the test's artifacts.
# Usage: smoke.sh <path of the program with the probe, beside DemoData.dat> <output folder>
set -eu

xsession_name=smoke
. "$(dirname "$0")/xsession.sh"
[ "${1:-}" = "--inside" ] || start_xsession "$1" "$2" 150 "$0"
out=$2
probe="$out/probe.txt"
demo="$out/bin/tovrinPlannerDemo.tvd"

# Field $2 (and, with a third argument, all the fields after it) of the probe line named $1.
field() {
    awk -v name="$1" -v n="$2" -v rest="${3:-}" '$1 == name {
        s = $n; if (rest) for (i = n + 1; i <= NF; ++i) s = s " " $i; print s; exit }' "$probe" 2>/dev/null
}

shot() {
    printf '%s\n' "$out/$1" > "$probe.shot"
    until_true '[ ! -e "$probe.shot" ]' "screenshot $1"
    [ -s "$out/$1" ] || fail "no screenshot $1"
}

click() {
    xdotool mousemove --sync "$1" "$2" click 1
}

start() {
    rm -f "$probe"
    "$out/bin/tovrin" "$probe" "$@" &
    app=$!
    until_true 'window=$(xdotool search --onlyvisible --name "Tovrin Planner" 2>/dev/null | head -n 1); [ -n "$window" ]' "the window"
    until_true '[ "$(xdotool getwindowname "$window")" = "tovrinPlannerDemo.tvd - Tovrin Planner" ]' \
        "the title \"tovrinPlannerDemo.tvd - Tovrin Planner\", not \"$(xdotool getwindowname "$window")\""
    until_true '[ -n "$(field project 2)" ]' "the probe"
    # The window manager may still move the window it has just mapped (a panel's edge): the
    # controls must hold their places before the mouse goes for them.
    until_true 'at=$(field expander 2),$(field expander 3); sleep 0.6; [ "$at" = "$(field expander 2),$(field expander 3)" ]' \
        "the window to hold still"
}

quit() {
    xdotool windowactivate --sync "$window" key alt+F4
    until_true '! kill -0 $app 2>/dev/null' "the program to quit"
    wait $app || fail "the program failed"
}

openbox >"$out/openbox.log" 2>&1 &
trayer --edge bottom --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
sleep 1

# First start: the demo outline is built and saved beside the program.
start
[ -s "$demo" ] || fail "the demo outline was not written"
project=$(field project 5 all)
click "$(field expander 2)" "$(field expander 3)"
until_true '[ "$(field expander 4)" = 1 ]' "the expander to open \"$project\""
click "$(field project 2)" "$(field project 3)"
until_true '[ "$(field current 3 all)" = "$project" ]' "\"$project\" to be selected"
click "$(field high 2)" "$(field high 3)"
until_true '[ "$(field current 2)" = 75 ]' "importance 75 from \"High\""
click "$(field notes 2)" "$(field notes 3)"
shot expanded-high-selected-project.png

# The knob dragged up raises the importance.
x=$(field knob 2)
y=$(field knob 3)
xdotool mousemove --sync "$x" "$y" mousedown 1 mousemove --sync "$x" $((y - 10)) mousemove --sync "$x" $((y - 20)) mouseup 1
until_true '[ "$(field current 2)" -gt 75 ]' "a higher importance from the drag"
click "$(field notes 2)" "$(field notes 3)"
xdotool type --delay 20 "smoke note"
until_true '[ "$(xdotool getwindowname "$window")" = "tovrinPlannerDemo.tvd - Tovrin Planner *" ]' "the modified mark"
xdotool key ctrl+s
until_true '[ "$(field modified 2)" = 0 ]' "the save"
importance=$(field current 2)
[ "$(xdotool getwindowname "$window")" = "tovrinPlannerDemo.tvd - Tovrin Planner" ] || fail "the title after saving"

# The About box, reached from the keyboard, takes the keyboard: Esc closes it.
xdotool key alt+h Up Return
until_true '[ -n "$(xdotool search --onlyvisible --name "^About Tovrin$" 2>/dev/null)" ]' "the About box"
sleep 1
xdotool key Escape
until_true '[ -z "$(xdotool search --onlyvisible --name "^About Tovrin$" 2>/dev/null)" ]' "Esc to close the About box"
quit
grep -q "LastDBFile=.*tovrinPlannerDemo.tvd" "$out/config/Tovrin/Tovrin.conf" || fail "the last outline was not remembered"

# Second start: the last outline opens with what was entered.
start
click "$(field project 2)" "$(field project 3)"
until_true '[ "$(field current 3 all)" = "$project" ]' "\"$project\" to be selected again"
[ "$(field current 2)" = "$importance" ] || fail "importance $(field current 2) reopened, $importance saved"
[ "$(field note 2 all)" = "smoke note" ] || fail "note \"$(field note 2 all)\" reopened"
shot reopened.png
quit
echo "screenshots in $out"
