# Shell helpers shared by the packaging tests (sourced, POSIX sh).

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

pass() {
    echo "ok: $*"
}

# The value of KEY in the [Desktop Entry] group of a .desktop file.
desktop_key() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1" | head -n 1
}

# Starts PROGRAM from FOLDER under the session's display and waits for its
# main window; sets $app_pid and $app_window.
start_and_wait_for_window() {
    program=$1 folder=$2 log=$3
    (cd "$folder" && exec "$program") >"$log" 2>&1 &
    app_pid=$!
    app_window=""
    i=0
    while [ $i -lt 300 ]; do
        if ! kill -0 "$app_pid" 2>/dev/null; then
            cat "$log" >&2
            fail "$program ended before it showed its window"
        fi
        app_window=$(xdotool search --onlyvisible --pid "$app_pid" --name '^Brelo Player 1\.6$' \
            2>/dev/null | head -n 1)
        [ -n "$app_window" ] && return 0
        i=$((i + 1))
        sleep 0.1
    done
    cat "$log" >&2
    fail "$program showed no window titled \"Brelo Player 1.6\" within 30 s"
}

stop_program() {
    [ -n "${app_pid:-}" ] || return 0
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
}

# What the desktop needs from the running program's main window: the class
# its menu entry names, so the taskbar groups the window under the entry,
# and the application icon in every size.
check_running_window() {
    desktop_file=$1 real_exe=$2 shot=$3

    wm_class=$(xprop -id "$app_window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "\([^"]*\)", "\([^"]*\)"$/\2/p')
    expected=$(desktop_key "$desktop_file" StartupWMClass)
    [ -n "$wm_class" ] || fail "the window has no WM_CLASS"
    [ "$wm_class" = "$expected" ] \
        || fail "WM_CLASS class \"$wm_class\" differs from StartupWMClass \"$expected\""
    pass "WM_CLASS \"$wm_class\" matches the menu entry"

    # xprop shortens long properties unless told otherwise. The window can
    # be found before all its properties arrived on a busy machine: read
    # again for up to 5 s.
    tries=0
    while :; do
        icons=$(xprop -len 1000000 -id "$app_window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
        echo "$icons" | grep -q "Icon (256 x 256)" && break
        tries=$((tries + 1))
        [ "$tries" -ge 50 ] && break
        sleep 0.1
    done
    for size in 16 32 48 256; do
        echo "$icons" | grep -q "Icon ($size x $size)" \
            || fail "the window icon lacks the $size px picture (has: $icons)"
    done
    pass "window icon in 16, 32, 48 and 256 px"

    exe=$(readlink "/proc/$app_pid/exe")
    [ "$exe" = "$real_exe" ] || fail "the process runs $exe, not $real_exe"
    pass "started through the link, the process is $exe"

    if [ -n "$shot" ]; then
        mkdir -p "$(dirname "$shot")"
        import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"
    fi
}
