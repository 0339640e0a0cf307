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

(cd "$build" && cpack --config CPackConfig.cmake -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
archive=$work/out/lensflare_ui-$version-win64.zip
[ -f "$archive" ] || fail "no $(basename "$archive") in: $(ls "$work/out")"

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
root=$work/unpacked/lensflare_ui-$version-win64
for file in lensflare_ui.dll vc64_ka.dll vc64_kio.dll flarehost.exe LICENSE README.md \
    docs/user-guide.md docs/host.md docs/renderer.md docs/images/guide/editor.png \
    demo/lensfx/sunburst.lnz; do
    [ -f "$root/$file" ] || fail "$file missing"
done
ls "$root"/demo/colormap/*.grd >/dev/null 2>&1 || fail "no demo gradients"
grep -q "Copyright (c) 2026 the lensflare_ui developers" "$root/LICENSE" || fail "licence text"

imports=$(x86_64-w64-mingw32-objdump -p "$root/lensflare_ui.dll" | sed -n 's/.*DLL Name: //p' |
    tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$imports" = "comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll vc64_ka.dll vc64_kio.dll " ] ||
    fail "the plug-in imports $imports"

# Wine maps the Unix root to drive Z:.
picture=$(printf 'Z:%s' "$work/editor.png" | tr / '\\')
output=$(cd "$root" && WINE_DISPLAY_DRIVER=null "$tools/wine-run" flarehost.exe \
    --screenshot "$picture" 2>&1) || fail "flarehost failed: $output"
printf '%s\n' "$output"
printf '%s\n' "$output" | grep -q "host memory still allocated: 0 blocks" || fail "host blocks left"
[ "$(head -c 4 "$work/editor.png" | tail -c 3)" = "PNG" ] || fail "no screenshot"
version_line=$(cd "$root" && WINE_DISPLAY_DRIVER=null "$tools/wine-run" flarehost.exe --help | head -1 | tr -d '\r')
[ "$version_line" = "flarehost $version, the demo host of lensflare_ui" ] || fail "--help says $version_line"
status=0
wrong=$(cd "$root" && WINE_DISPLAY_DRIVER=null "$tools/wine-run" flarehost.exe --no-such-option 2>&1 \
    >/dev/null) || status=$?
wrong=$(printf '%s\n' "$wrong" | tr -d '\r')
[ "$status" = 2 ] || fail "an unknown option gave status $status"
[ "$(printf '%s\n' "$wrong" | head -1)" = "flarehost: unknown or incomplete option '--no-such-option'" ] &&
    printf '%s\n' "$wrong" | grep -q "^usage: flarehost" || fail "an unknown option said: $wrong"
echo "package test: $(basename "$archive") unpacked and run"
