#!/bin/sh
# Runs a command with a private D-Bus session bus and AT-SPI accessibility
# bus, as a desktop with a screen reader has them.
#   atspi_session.sh <command> [args...]
set -eu
exec dbus-run-session -- sh -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    launcher=$!
    trap "kill $launcher 2>/dev/null || true" EXIT
    i=0
    until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1; do
        i=$((i + 1)); [ $i -gt 100 ] && { echo "the accessibility bus did not start" >&2; exit 1; }
        sleep 0.1
    done
    "$@"
' sh "$@"
