#!/bin/sh
# Installs the build into a temporary prefix, checks what lands there and
# starts the installed program through its bin/ link from another folder.
#
#   install_test.sh <build dir> <version> <help built: 1|0> <appdir probe> <screenshot dir>
set -eu
build=$1 version=$2 help_built=$3 probe=$4 shots=$5
. "$(dirname "$0")/helpers.sh"

tmp=$(mktemp -d /tmp/brelo-install.XXXXXX)
trap 'stop_program; rm -rf "$tmp"' EXIT INT TERM
prefix=$tmp/usr

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 \
    || { cat "$tmp/install.log" >&2; fail "cmake --install"; }

# The program and its help file share a private folder; bin/ links to it.
real=$prefix/lib/breloplayer/breloplayer
[ -f "$real" ] && [ ! -L "$real" ] && [ -x "$real" ] || fail "no executable at lib/breloplayer/breloplayer"
[ -L "$prefix/bin/breloplayer" ] || fail "bin/breloplayer is not a link"
case $(readlink "$prefix/bin/breloplayer") in
    /*) fail "bin/breloplayer links by an absolute path: $(readlink "$prefix/bin/breloplayer")" ;;
esac
[ "$(readlink -f "$prefix/bin/breloplayer")" = "$(readlink -f "$real")" ] \
    || fail "bin/breloplayer does not lead to lib/breloplayer/breloplayer"
pass "lib/breloplayer/breloplayer with a relative link in bin/"

# The news browser is loaded from beside the program.
[ -f "$prefix/lib/breloplayer/libbreloplayer-news.so" ] || fail "no news module beside the program"
pass "lib/breloplayer/libbreloplayer-news.so beside the program"

if [ "$help_built" = 1 ]; then
    [ -s "$prefix/lib/breloplayer/ajuda.chm" ] || fail "no ajuda.chm beside the program"
    pass "ajuda.chm beside the program"
else
    echo "note: this tree builds no help file (no brelo_help target); ajuda.chm not checked"
fi

# A program in that folder, started through a link in bin/ from elsewhere,
# is told that folder as its own: that is where the help command looks.
cp "$probe" "$prefix/lib/breloplayer/appdirprobe"
ln -s ../lib/breloplayer/appdirprobe "$prefix/bin/appdirprobe"
mkdir "$tmp/elsewhere"
seen=$(cd "$tmp/elsewhere" && "$prefix/bin/appdirprobe")
[ "$seen" = "$prefix/lib/breloplayer" ] \
    || fail "through the link the program folder is \"$seen\", not $prefix/lib/breloplayer"
rm "$prefix/bin/appdirprobe" "$prefix/lib/breloplayer/appdirprobe"
pass "applicationDirPath() through bin/ is lib/breloplayer"

for size in 16 32 48 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/breloplayer.png
    [ -f "$png" ] || fail "no $png"
    got=$(identify -format '%m %w %h %[channels]' "$png")
    [ "$got" = "PNG $size $size srgba" ] || fail "$png is \"$got\", not a $size px RGBA PNG"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/breloplayer.svg" ] || fail "no scalable SVG icon"
pass "icons in hicolor 16, 32, 48, 256 and scalable"

desktop=$prefix/share/applications/breloplayer.desktop
[ -f "$desktop" ] || fail "no $desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || { echo "$out" >&2; fail "desktop-file-validate"; }
echo "$out" | grep -E ': (error|warning):' >&2 && fail "desktop-file-validate complains"
[ "$(desktop_key "$desktop" Name)" = "Brelo Player" ] || fail "Name"
[ "$(desktop_key "$desktop" Categories)" = "AudioVideo;Player;TV;" ] || fail "Categories"
[ "$(desktop_key "$desktop" Icon)" = "breloplayer" ] || fail "Icon"
[ "$(desktop_key "$desktop" Exec)" = "breloplayer" ] || fail "Exec"
[ -n "$(desktop_key "$desktop" Comment)" ] || fail "Comment"
pass "menu entry accepted by desktop-file-validate"

metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml)
[ "$(echo "$metainfo" | wc -l)" = 1 ] || fail "expected one metainfo file, found: $metainfo"
out=$(appstreamcli validate --no-net --pedantic --explain "$metainfo" 2>&1) \
    || { echo "$out" >&2; fail "appstreamcli validate"; }
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo file not named after its id $id"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -f "$prefix/share/applications/$launchable" ] || fail "metainfo launches $launchable, which is not installed"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks the release $version"
grep -q "<lang>pt_BR</lang>" "$metainfo" || fail "metainfo does not name pt_BR"
pass "AppStream data for $id accepted by appstreamcli, release $version"

[ -f "$prefix/share/man/man1/breloplayer.1" ] || fail "no manual page"

start_and_wait_for_window "$prefix/bin/breloplayer" "$tmp/elsewhere" "$tmp/program.log"
pass "window \"Brelo Player 1.6\" shown"
check_running_window "$desktop" "$real" "$shots/packaging-install.png"
stop_program

echo "install test passed"
