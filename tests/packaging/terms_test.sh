#!/bin/sh
# The terms the About window gives users are the terms the package states:
# in debian/copyright, in the AppStream licence, and by the archive section
# a program under such terms belongs to.
#
#   terms_test.sh <source dir>
set -eu
src=$1
. "$(dirname "$0")/helpers.sh"

# The About window's paragraph on distribution, as one line of words.
words() { tr -s ' \n\t' '   ' | sed 's/^ *//; s/ *$//'; }
terms=$(sed -n '/name="Label3"/,/<\/widget>/{s:.*<string>\(.*\)</string>.*:\1:p}' \
    "$src/about/formsobre.ui" | words)
[ -n "$terms" ] || fail "no terms found in the About window's layout"

copyright=$src/debian/copyright
# The stand-alone licence paragraph of "Files: *", continuation lines joined.
license=$(sed -n '/^Files: \*$/,/^$/p' "$copyright" | sed -n 's/^License: //p')
[ -n "$license" ] || fail "debian/copyright names no licence for Files: *"
case $license in
    *all-rights-reserved* | *proprietary*) fail "debian/copyright says \"$license\"" ;;
esac
text=$(sed -n '/^Files: \*$/,/^$/p' "$copyright" | sed -n '/^License:/,$p' | sed '1d; s/^ //; s/^\.$//' | words)
echo "$text" | grep -qF "$terms" || fail "debian/copyright does not quote the About window's terms: $terms"
pass "debian/copyright: $license, quoting the About window"

metainfo=$src/packaging/breloplayer.metainfo.xml.in
project=$(sed -n 's:.*<project_license>\(.*\)</project_license>.*:\1:p' "$metainfo")
[ "$project" = "LicenseRef-$license" ] \
    || fail "AppStream licence \"$project\" is not debian/copyright's \"$license\""
echo "$(words <"$metainfo")" | grep -qF "$terms" || fail "the AppStream description does not state the terms"
pass "AppStream project_license $project"

# Copies may not be modified: that is not free software, whatever the price.
section=$(sed -n 's/^Section: //p' "$src/debian/control" | head -n 1)
case $section in
    non-free/*) pass "archive section $section" ;;
    *) fail "a program that may not be modified belongs in non-free, not \"$section\"" ;;
esac
