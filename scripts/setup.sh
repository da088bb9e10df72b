#!/bin/sh
# Installs, from Debian's own archive, whatever the build, the tests and the
# packaging need and this machine lacks. Safe to run again: present packages
# are skipped, so a prepared machine does no network work at all.
set -e

# vlc-plugin-base carries every decoder, demuxer and access that stations
# need: mpg123 (MP3), faad and avcodec (AAC, HE-AAC, WMA), vorbis, opus,
# es/ogg/asf/adaptive (ADTS, Ogg, ASF, HLS), http/https (gnutls) and mms;
# its encoders make the codec tests' sound.
#
# vlc-bin (cvlc) is only the reference the footprint benchmark measures the
# player against; the player itself plays through libVLC.
#
# With --bench, also pulseaudio: the sound server (a null sink) that the
# footprint benchmark's players sound into. The tests do without it on
# purpose: it brings libasound2-plugins, which sends ALSA's default device
# to PulseAudio on the whole machine, and the engine tests are meant to meet
# a machine without a sound device, as CI's is.
#
# weston and xwayland are the Wayland session the XWayland test runs in.
#
# clang-format (Debian's, version 14) is what the format check of the test
# command measures the code against .clang-format with.
PACKAGES="
cmake g++ make pkg-config ccache clang-format
clang libclang-rt-14-dev
qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev
libxcb1-dev
libvlc-dev libvlc-bin vlc-plugin-base vlc-plugin-video-output
fp-utils librsvg2-bin
fontconfig fonts-dejavu-core fonts-liberation2 fonts-wine
xvfb openbox trayer xdotool wmctrl x11-utils imagemagick
weston xwayland
iproute2 util-linux vlc-bin
dbus dbus-daemon dbus-bin playerctl
at-spi2-core python3-pyatspi gir1.2-atspi-2.0
debhelper dpkg-dev desktop-file-utils appstream lintian
"

[ "${1:-}" = "--bench" ] && PACKAGES="$PACKAGES pulseaudio"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
