#!/bin/sh
# Builds the Debian package from a copy of the source tree, runs lintian on
# it, installs it with apt-get (everything it needs must already be there:
# no network), starts the installed program and removes the package again.
#
#   deb_test.sh <source dir> <build dir> <version> <help built: 1|0> <screenshot dir>
set -eu
src=$1 build=$2 version=$3 help_built=$4 shots=$5
. "$(dirname "$0")/helpers.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing a package needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' breloplayer 2>/dev/null | grep -q "ok installed"; then
    fail "breloplayer is installed on this machine already; this test would replace and then remove it"
fi

tmp=$(mktemp -d /tmp/brelo-deb.XXXXXX)
chmod 755 "$tmp"   # apt reads the .deb as its unprivileged user
installed=""
cleanup() {
    stop_program
    if [ -n "$installed" ]; then
        apt-get remove -y -q -o DPkg::Lock::Timeout=120 breloplayer >"$tmp/remove.log" 2>&1 || cat "$tmp/remove.log" >&2
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

# A copy without version control, build trees or earlier package builds, so
# that the package build leaves the working tree as it was.
mkdir "$tmp/breloplayer"
build_rel=""
case $(readlink -f "$build") in
    "$(readlink -f "$src")"/*) build_rel=./${build#"$src"/} ;;
esac
tar -C "$src" --exclude=./.git --exclude=./build --exclude='./build-*' --exclude='./obj-*' \
    ${build_rel:+--exclude="$build_rel"} --exclude=./debian/.debhelper --exclude=./debian/breloplayer \
    --exclude=./debian/build --exclude=./debian/tmp --exclude=./debian/files --exclude='./debian/*.substvars' \
    --exclude='./debian/*.log' --exclude=./debian/debhelper-build-stamp -cf - . \
    | tar -C "$tmp/breloplayer" -xf -

# The package build compiles everything once more, with Debian's flags. The
# compiler cache makes that cheap from the second run on, in whatever
# folder: paths count from the copy, and the copy's own folder, which the
# build maps to "." in its debug information, is not hashed.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$tmp/breloplayer" CCACHE_NOHASHDIR=1
fi
started=$(date +%s)
(cd "$tmp/breloplayer" && DEB_BUILD_OPTIONS="parallel=$(nproc) nocheck" dpkg-buildpackage -us -uc -b) \
    >"$tmp/build.log" 2>&1 || { tail -n 60 "$tmp/build.log" >&2; fail "dpkg-buildpackage"; }
pass "dpkg-buildpackage -us -uc -b in $(($(date +%s) - started)) s"

deb=$(ls "$tmp"/breloplayer_*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = breloplayer ] || fail "package name"
deb_version=$(dpkg-deb -f "$deb" Version)
[ "${deb_version%-*}" = "$version" ] || fail "package version $deb_version, program version $version"
pass "package breloplayer $deb_version"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/lib/breloplayer/breloplayer ./usr/lib/breloplayer/libbreloplayer-news.so \
         ./usr/share/applications/breloplayer.desktop \
         ./usr/share/icons/hicolor/256x256/apps/breloplayer.png \
         ./usr/share/icons/hicolor/scalable/apps/breloplayer.svg \
         ./usr/share/doc/breloplayer/copyright; do
    echo "$contents" | grep -q " $f\$" || fail "the package lacks $f"
done
echo "$contents" | grep -q ' ./usr/bin/breloplayer -> ../lib/breloplayer/breloplayer$' \
    || fail "the package lacks the link /usr/bin/breloplayer"
echo "$contents" | grep -q ' ./usr/share/metainfo/.*\.metainfo\.xml$' || fail "the package lacks its metainfo"
if [ "$help_built" = 1 ]; then
    echo "$contents" | grep -q ' ./usr/lib/breloplayer/ajuda.chm$' || fail "the package lacks ajuda.chm"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6webenginewidgets6 vlc-plugin-base fonts-liberation2; do
    echo "$depends" | grep -q "$d" || fail "Depends lacks $d: $depends"
done
pass "package contents and dependencies"

# Every tag lintian finds, down to the pedantic ones, is either mended or
# overridden with the reason in debian/breloplayer.lintian-overrides.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$tmp"/breloplayer_*.changes \
    >"$tmp/lintian.log" 2>&1 || { cat "$tmp/lintian.log" >&2; fail "lintian --pedantic reports tags"; }
grep -v 'running with root privileges' "$tmp/lintian.log" || true
pass "lintian --pedantic: nothing left but justified overrides"

DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=120 "$deb" \
    >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log" >&2; fail "apt-get install"; }
installed=1
dpkg-query -W -f='${Status} ${Version}\n' breloplayer | grep -q "ok installed $deb_version" \
    || fail "dpkg does not list breloplayer $deb_version as installed"
pass "apt-get install ./$(basename "$deb")"

if [ "$help_built" = 1 ]; then
    [ -s /usr/lib/breloplayer/ajuda.chm ] || fail "no /usr/lib/breloplayer/ajuda.chm"
fi
mkdir "$tmp/elsewhere"
start_and_wait_for_window /usr/bin/breloplayer "$tmp/elsewhere" "$tmp/program.log"
pass "installed program shows its window"
check_running_window /usr/share/applications/breloplayer.desktop /usr/lib/breloplayer/breloplayer \
    "$shots/packaging-deb.png"
stop_program

apt-get remove -y -q -o DPkg::Lock::Timeout=120 breloplayer >"$tmp/remove.log" 2>&1 || { cat "$tmp/remove.log" >&2; fail "apt-get remove"; }
installed=""
[ ! -e /usr/bin/breloplayer ] && [ ! -e /usr/lib/breloplayer ] || fail "files left after apt-get remove"
pass "apt-get remove breloplayer"

echo "package test passed"
