#!/bin/sh
# Runs a command with a private D-Bus session bus and AT-SPI accessibility
# bus, as a desktop has them while a screen reader runs: the bus says a
# screen reader is on, which is what turns Qt's accessibility bridge on.
#   atspi_session.sh <command> [args...]
# Exits 77 (a skip to CTest) only when the buses themselves cannot start.
set -eu
for tool in dbus-run-session dbus-send /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)" >&2; exit 77; }
done
exec dbus-run-session -- sh -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    launcher=$!
    trap "kill $launcher 2>/dev/null || true" EXIT
    i=0
    until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1; do
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "SKIP: the accessibility bus did not start" >&2; exit 77; }
        sleep 0.1
    done
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
        string:org.a11y.Status string:ScreenReaderEnabled variant:boolean:true >/dev/null
    "$@"
' sh "$@"
