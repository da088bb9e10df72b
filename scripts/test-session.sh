#!/bin/sh
# Runs a command inside a private desktop: an Xvfb display of 1024 x 768 x 24
# with the openbox window manager and the trayer system tray, its own runtime,
# configuration, data and cache folders. Meant to run in a network namespace
# of its own, so that only loopback exists; it brings `lo` up.
#
#   scripts/test-session.sh [--isolated] <command> [args...]
#
# --isolated first enters a new network namespace and a mount namespace with
# a /tmp of its own (as root, or as a user mapped to root elsewhere). Every
# test runs this way: tests that run at the same time then share no display,
# no port (several serve on 127.0.0.1:80) and no abstract socket name (the
# program's single-instance guard). An X server picks its display number by
# the sockets it can open, abstract ones per network namespace, and then
# locks it by a file in /tmp: with /tmp shared, two servers in two
# namespaces could pick the same number and the later one die on the lock.
set -eu

if [ "${1:-}" = "--isolated" ]; then
    shift
    tmp=$(mktemp -d /var/tmp/brelo-tmp.XXXXXX)
    chmod 1777 "$tmp"
    trap 'rm -rf "$tmp"' EXIT INT TERM
    if [ "$(id -u)" -eq 0 ]; then ns="unshare -nm"; else ns="unshare -rnm"; fi
    # A tree that lies under /tmp itself (a clone made there) stays in
    # sight: it is bound into the private /tmp at the same place first.
    root=$(cd "$(dirname "$0")/.." && pwd -P)
    keep=""
    case "$root" in /tmp/*) keep=${root#/tmp/} ;; esac
    rc=0
    $ns -- sh -c '
        tmp=$1 keep=$2
        shift 2
        if [ -n "$keep" ]; then
            mkdir -p "$tmp/$keep" && mount --bind "/tmp/$keep" "$tmp/$keep" || exit 1
        fi
        mount --rbind "$tmp" /tmp && exec "$@"' sh "$tmp" "$keep" "$0" "$@" || rc=$?
    exit $rc
fi

ip link set lo up 2>/dev/null || true

session=$(mktemp -d /tmp/brelo-session.XXXXXX)
export XDG_RUNTIME_DIR="$session/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="${HOME:-$session}"
# A channel list of the developer's own in ~/.config must not replace the
# built-in channels the tests expect.
export XDG_CONFIG_HOME="$session/config"
# The web engine's profile and caches live there: two news tests at once
# must not open the same one. The compiler cache (the package test builds)
# stays the machine's.
command -v ccache >/dev/null && export CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
export XDG_DATA_HOME="$session/data" XDG_CACHE_HOME="$session/cache" XDG_STATE_HOME="$session/state"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER 2>/dev/null || true
export QT_QPA_PLATFORM=xcb
# The program turns Qt's OpenGL integration off for its own process before
# the web engine loads (news/webenginesetup.cpp); test processes that start
# the engine themselves would otherwise load the machine's GL driver, whose
# allocations at load time LeakSanitizer reports as leaks.
export QT_XCB_GL_INTEGRATION="${QT_XCB_GL_INTEGRATION:-none}"

pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$session"
}
trap cleanup EXIT INT TERM

# Starts a helper (name, log, condition, command...) and waits up to a minute
# for the condition: with several sessions starting on a busy machine a step
# can take seconds. A helper that ends before the condition holds is started
# again, up to five times: now and then a client's first connection to a
# display that has just answered another client is refused.
start_and_wait() {
    what=$1 log=$2 condition=$3
    shift 3
    "$@" >>"$log" 2>&1 &
    pid=$!
    pids="$pids $pid"
    restarts=0
    deadline=$(($(date +%s) + 60))
    until timeout 10 sh -c "$condition" >/dev/null 2>&1; do
        if [ "$(date +%s)" -ge "$deadline" ]; then
            echo "$what did not start within 60 s (DISPLAY=${DISPLAY:-}, $restarts restarts)" >&2
            cat "$log" "$session/xvfb.log" >&2
            exit 1
        fi
        if ! kill -0 "$pid" 2>/dev/null && [ $restarts -lt 5 ]; then
            restarts=$((restarts + 1))
            "$@" >>"$log" 2>&1 &
            pid=$!
            pids="$pids $pid"
        fi
        sleep 0.1
    done
}

# A display number no other session on this machine holds, in whatever
# namespace: the X server names its compiled keymap after the number in a
# folder all servers share (/var/lib/xkb), so two servers on one number in
# two namespaces break each other's keyboard. The lock is an open file that
# the session's processes inherit; it ends with the last of them.
locks=/var/tmp/brelo-displays
mkdir -p "$locks" 2>/dev/null && chmod 1777 "$locks" 2>/dev/null || true
n=$((100 + $$ % 800))
tries=0
until { exec 9>"$locks/$n.lock"; } 2>/dev/null && flock -n 9; do
    tries=$((tries + 1)); [ $tries -gt 800 ] && { echo "no free display number" >&2; exit 1; }
    n=$((100 + (n - 99) % 800))
done
# Xvfb writes its number to fd 3 once it takes connections.
start_and_wait Xvfb "$session/xvfb.log" "test -s '$session/display'" \
    Xvfb ":$n" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -dpi 96 3>"$session/display"
export DISPLAY=":$(cat "$session/display")"

# Until the window manager owns the screen.
start_and_wait openbox "$session/openbox.log" "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" \
    openbox --sm-disable

start_and_wait trayer "$session/trayer.log" \
    "xprop -root | grep -q '_NET_SYSTEM_TRAY_S0\\|^_NET_SYSTEM_TRAY' || xdotool search --classname trayer" \
    trayer --edge top --align left --widthtype pixel --width 240 --heighttype pixel --height 24 \
    --SetDockType true --transparent false --expand false
sleep 0.3

"$@"
