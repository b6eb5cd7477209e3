#!/bin/sh
# Runs a test program on a display of its own under openbox. Exit status 77 (skipped) when Xvfb,
# openbox or xwininfo is missing or the display or window manager cannot start on this machine.
set -eu
for tool in Xvfb openbox xwininfo xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed (Debian: xvfb openbox x11-utils)"
        exit 77
    fi
done

dir=$(mktemp -d)
xvfb=
wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT INT TERM

# Xvfb picks a free display number and writes it to the descriptor
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
[ -s "$dir/display" ] || { echo "skipped: Xvfb did not start here"; cat "$dir/xvfb.log"; exit 77; }
DISPLAY=:$(cat "$dir/display")
export DISPLAY

openbox --sm-disable >"$dir/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "skipped: openbox did not start here"; cat "$dir/openbox.log"; exit 77; }

QT_QPA_PLATFORM=xcb "$@"
