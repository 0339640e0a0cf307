#!/bin/sh
# The release archive as a user gets it: made with CPack, unpacked into an
# empty folder, the demo host run from there headless.  It must hold every
# piece, name the version, bring a plug-in that needs only Windows system
# DLLs and the host's two, and run: the screenshot is written and no host
# memory is left.
#     package_test.sh BUILD_WIN_DIR VERSION
set -e
build=$(cd "$1" && pwd)
version=$2
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

# Each step says when it starts, so a step that hangs is named in the output
# (on descriptor 3, which stays the test's output while the host's is a file).
exec 3>&1
echo "package test: packing"
(cd "$build" && cpack --config CPackConfig.cmake -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
archive=$work/out/lensflare_ui-$version-win64.zip
[ -f "$archive" ] || fail "no $(basename "$archive") in: $(ls "$work/out")"

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
root=$work/unpacked/lensflare_ui-$version-win64
for file in lensflare_ui.dll vc64_ka.dll vc64_kio.dll flarehost.exe LICENSE README.md \
    docs/user-guide.md docs/user-guide.html docs/element-types.md docs/host.md docs/renderer.md docs/performance.md docs/images/guide/editor.png \
    demo/lensfx/sunburst.lnz; do
    [ -f "$root/$file" ] || fail "$file missing"
done
# Every page the README links to is in the archive too.
for linked in $(grep -o '](docs/[^)#]*' "$root/README.md" | sed 's/^](//' | sort -u); do
    [ -f "$root/$linked" ] || fail "the README's $linked missing"
done
# Help opens the HTML guide: every picture it shows is beside it.
pictures=$(sed -n 's/.*<img src="\([^"]*\)".*/\1/p' "$root/docs/user-guide.html")
[ -n "$pictures" ] || fail "the HTML guide shows no pictures"
for shown in $pictures; do
    [ -f "$root/docs/$shown" ] || fail "the HTML guide's $shown missing"
done
# The pages it links to are HTML beside it, with their pictures.
pages=$(grep -o 'href="[^"#:]*[#"]' "$root/docs/user-guide.html" | sed 's/href="\(.*\).$/\1/' | sort -u)
[ -n "$pages" ] || fail "the HTML guide links to no page"
for page in $pages; do
    case $page in *.html) ;; *) fail "the HTML guide links to $page" ;; esac
    [ -f "$root/docs/$page" ] || fail "the HTML guide's page $page missing"
    for shown in $(sed -n 's/.*<img src="\([^"]*\)".*/\1/p' "$root/docs/$page"); do
        [ -f "$root/docs/$shown" ] || fail "$page's $shown missing"
    done
done
ls "$root"/demo/colormap/*.grd >/dev/null 2>&1 || fail "no demo gradients"
grep -q "Copyright (c) 2026 the lensflare_ui developers" "$root/LICENSE" || fail "licence text"

imports=$(x86_64-w64-mingw32-objdump -p "$root/lensflare_ui.dll" | sed -n 's/.*DLL Name: //p' |
    tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$imports" = "comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll vc64_ka.dll vc64_kio.dll " ] ||
    fail "the plug-in imports $imports"

# Wine maps the Unix root to drive Z:.  The host's output goes to files, not
# pipes: a Wine helper process outliving the host could hold a pipe open.
picture=$(printf 'Z:%s' "$work/editor.png" | tr / '\\')
host() {
    printf 'package test: flarehost %s\n' "$*" >&3
    (cd "$root" && WINE_DISPLAY_DRIVER=null timeout 120 "$tools/wine-run" flarehost.exe "$@")
}
host --screenshot "$picture" >"$work/run.txt" 2>&1 || fail "flarehost failed: $(cat "$work/run.txt")"
cat "$work/run.txt"
grep -q "host memory still allocated: 0 blocks" "$work/run.txt" || fail "host blocks left"
[ "$(head -c 4 "$work/editor.png" | tail -c 3)" = "PNG" ] || fail "no screenshot"
host --help >"$work/help.txt" 2>&1
version_line=$(head -1 "$work/help.txt" | tr -d '\r')
[ "$version_line" = "flarehost $version, the demo host of lensflare_ui" ] || fail "--help says $version_line"
status=0
host --no-such-option >/dev/null 2>"$work/wrong.txt" || status=$?
wrong=$(tr -d '\r' <"$work/wrong.txt")
[ "$status" = 2 ] || fail "an unknown option gave status $status"
[ "$(printf '%s\n' "$wrong" | head -1)" = "flarehost: unknown or incomplete option '--no-such-option'" ] &&
    printf '%s\n' "$wrong" | grep -q "^usage: flarehost" || fail "an unknown option said: $wrong"
echo "package test: $(basename "$archive") unpacked and run"

