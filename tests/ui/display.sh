#!/bin/sh
# The window as the X server has it, the real program under a virtual X server with a window
# manager and a panel that takes the bottom 100 pixels from the work area:
# - the first start centres the window on the whole screen, not on the work area;
# - the About box's fade reaches the display: Help > About is opened from the keyboard and the
#   box's _NET_WM_WINDOW_OPACITY is read back with xprop again and again while the pointer stays
#   still. The samples must rise through the steps to the full value, and after "Close" (Esc)
#   fall until the box is gone.
# Usage: display.sh <path of the tovrin program> <output folder>
set -eu

xsession_name=display
. "$(dirname "$0")/xsession.sh"
[ "${1:-}" = "--inside" ] || start_xsession "$1" "$2" 120 "$0"
out=$2
full=4294967295

# The box's opacity as the X server holds it; empty once the box is gone.
opacity() {
    xprop -id "$box" _NET_WM_WINDOW_OPACITY 2>/dev/null | sed -n 's/^_NET_WM_WINDOW_OPACITY(CARDINAL) = //p'
}

# Samples the opacity until $1 holds for the sample in $v; every sample must keep the direction
# $2 (rise or fall) and one at least must lie between 0 and the full value.
follow() {
    last=
    between=0
    samples=0
    while :; do
        v=$(opacity)
        if [ -n "$v" ] && [ -n "$last" ]; then
            if [ "$2" = rise ]; then
                [ "$v" -ge "$last" ] || fail "the opacity fell from $last to $v while fading in"
            else
                [ "$v" -le "$last" ] || fail "the opacity rose from $last to $v while fading out"
            fi
        fi
        [ -n "$v" ] && [ "$v" -gt 0 ] && [ "$v" -lt $full ] && between=1
        [ -n "$v" ] && last=$v
        eval "$1" && break
        samples=$((samples + 1))
        [ $samples -lt 400 ] || fail "the opacity stayed at ${last:-nothing} ($2)"
        sleep 0.03
    done
    [ $between = 1 ] || fail "no step between 0 and full was seen ($2)"
}

openbox >"$out/openbox.log" 2>&1 &
# Now and then a panel started beside a window manager that is still starting never shows;
# such a panel is started again.
for attempt in 1 2 3; do
    trayer --edge bottom --align right --widthtype request --height 24 --transparent false >>"$out/trayer.log" 2>&1 &
    panel_pid=$!
    tries=0
    while panel=$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n 1); [ -z "$panel" ] && [ $tries -lt 25 ]; do
        tries=$((tries + 1))
        sleep 0.2
    done
    [ -n "$panel" ] && break
    kill $panel_pid 2>/dev/null || :
done
[ -n "$panel" ] || fail "timed out: the panel"
xprop -id "$panel" -f _NET_WM_STRUT 32c -set _NET_WM_STRUT "0, 0, 0, 100"
until_true 'xprop -root _NET_WORKAREA | grep -q "= 0, 0, 1024, 668"' "the work area without the panel"
xdotool mousemove 0 0  # off the program, and it stays there

"$out/bin/tovrin" &
app=$!
until_true 'window=$(xdotool search --onlyvisible --name "Tovrin Planner" 2>/dev/null | head -n 1); [ -n "$window" ]' "the window"
until_true 'extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n "s/.*= //p"); [ -n "$extents" ]' "the frame"
sleep 1
# The frame's top-left corner: the client's less the frame's left and top.
left=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left X: *//p')
top=$(xwininfo -id "$window" | sed -n 's/.*Absolute upper-left Y: *//p')
left=$((left - $(echo "$extents" | cut -d, -f1)))
top=$((top - $(echo "$extents" | cut -d, -f3)))
[ "$left,$top" = "$(((1024 - 740) / 2)),$(((768 - 500) / 2))" ] ||
    fail "the window's frame is at $left,$top, not centred on the whole screen"
echo "centred at $left,$top"
xdotool windowactivate --sync "$window" key alt+h Up Return
until_true 'box=$(xdotool search --name "^About Tovrin$" 2>/dev/null | head -n 1); [ -n "$box" ]' "the About box"

follow '[ "$v" = $full ]' rise
echo "faded in to $full"
sleep 0.5
[ "$(opacity)" = $full ] || fail "the shown box did not stay opaque"

xdotool key Escape
follow '[ -z "$v" ] || [ -z "$(xdotool search --onlyvisible --name "^About Tovrin$" 2>/dev/null)" ]' fall
echo "faded out from $full"

xdotool windowactivate --sync "$window" key alt+F4
until_true '! kill -0 $app 2>/dev/null' "the program to quit"
wait $app || fail "the program failed"
