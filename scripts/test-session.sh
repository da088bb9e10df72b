#!/bin/sh
# Runs a command inside a private desktop: an Xvfb display of 1024 x 768 x 24
# with the openbox window manager and the trayer system tray. Meant to run in
# a network namespace of its own (scripts/run-tests.sh puts it there), so
# that only loopback exists; it brings `lo` up.
#
#   scripts/test-session.sh <command> [args...]
set -eu

ip link set lo up 2>/dev/null || true

session=$(mktemp -d /tmp/brelo-session.XXXXXX)
export XDG_RUNTIME_DIR="$session/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="${HOME:-$session}"
# A channel list of the developer's own in ~/.config must not replace the
# built-in channels the tests expect.
export XDG_CONFIG_HOME="$session/config"
mkdir -p "$XDG_CONFIG_HOME"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER 2>/dev/null || true
export QT_QPA_PLATFORM=xcb

pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$session"
}
trap cleanup EXIT INT TERM

# Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -dpi 96 3>"$session/display" \
    >"$session/xvfb.log" 2>&1 &
pids="$pids $!"
i=0
while [ ! -s "$session/display" ]; do
    i=$((i + 1)); [ $i -gt 300 ] && { echo "Xvfb did not start" >&2; cat "$session/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$session/display")"

openbox --sm-disable >"$session/openbox.log" 2>&1 &
pids="$pids $!"
# Wait until the window manager owns the screen.
i=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    i=$((i + 1)); [ $i -gt 300 ] && { echo "openbox did not start" >&2; exit 1; }
    sleep 0.1
done

trayer --edge top --align left --widthtype pixel --width 240 --heighttype pixel --height 24 \
    --SetDockType true --transparent false --expand false >"$session/trayer.log" 2>&1 &
pids="$pids $!"
i=0
until xprop -root | grep -q '_NET_SYSTEM_TRAY_S0\|^_NET_SYSTEM_TRAY' || xdotool search --classname trayer >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -gt 300 ] && { echo "trayer did not start" >&2; exit 1; }
    sleep 0.1
done
sleep 0.3

"$@"
