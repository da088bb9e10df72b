#!/bin/sh
# Runs a test as an ordinary user, so that Chromium starts its sandbox (it
# keeps none as root). As root it uses the system user "brelotest",
# creating it when missing; as any other user it runs the test as it is.
#
#   tests/news/unprivileged.sh <test binary> [args...]
set -eu
[ "$(id -u)" -ne 0 ] && exec "$@"

user=brelotest
if ! id -u "$user" >/dev/null 2>&1; then
    # Two of these tests may start at once: the loser finds the user made.
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" 2>/dev/null \
        || id -u "$user" >/dev/null
fi

# A home and a runtime folder of its own: Chromium keeps its profile there.
# The test runs from a copy there too, as the build tree may lie in a folder
# closed to other users (root's home).
home=$(mktemp -d /tmp/brelo-unprivileged.XXXXXX)
trap 'rm -rf "$home"' EXIT INT TERM
mkdir -m 700 "$home/run"
cp "$1" "$home/"
test="$home/$(basename "$1")"
shift
chown -R "$user:" "$home"

setpriv --reuid="$user" --regid="$user" --init-groups --reset-env -- \
    env HOME="$home" XDG_RUNTIME_DIR="$home/run" DISPLAY="${DISPLAY:-}" QT_QPA_PLATFORM=xcb \
    BRELO_SOURCE_DIR="${BRELO_SOURCE_DIR:-}" BRELO_BINARY_DIR="${BRELO_BINARY_DIR:-}" "$test" "$@"
