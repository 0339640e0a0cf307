#!/bin/sh
# tools/wine-run on a display without a window manager gives windows
# Wine's own frames (Managed=N in the prefix), and leaves them to the
# window manager again once there is one.  Runs under Xvfb, with and
# without openbox; skipped (status 77) where either is missing.
#     frames_test.sh PREFIX_DIR   (kept for later runs: making one takes long)
set -e
prefix=$1
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
for program in xvfb-run openbox xprop; do
    command -v $program >/dev/null || { echo "frames test: skipped, no $program"; exit 77; }
done
export WINEPREFIX=$prefix WINEDEBUG=-all
unset WINE_DISPLAY_DRIVER
trap 'wineserver -k 2>/dev/null || true' EXIT
fail() { echo "frames test: $*" >&2; exit 1; }

# One program run by wine-run on a fresh Xvfb display (with openbox first
# when asked: "wm"), then the prefix's Managed value as the server leaves
# the registry on its exit (so nothing outlives the display).
on_display='
    if [ "$1" = wm ]; then
        openbox & wm=$!
        for i in $(seq 50); do
            xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" && break
            sleep 0.1
        done
        xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || exit 3
    fi
    "$0" cmd.exe /c exit; status=$?
    [ -z "$wm" ] || kill $wm
    exit $status'
run_on_display() {
    xvfb-run -a sh -c "$on_display" "$tools/wine-run" "$1" >"$prefix.log" 2>&1 </dev/null ||
        fail "wine-run on a display ($1) failed: $(cat "$prefix.log")"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    sed -n '/^\[Software\\\\Wine\\\\X11 Driver\]/,/^$/s/^"Managed"="\(.*\)"/\1/p' "$prefix/user.reg"
}

[ "$(run_on_display bare)" = N ] || fail "without a window manager, Managed is not N"
[ "$(run_on_display wm)" = "" ] || fail "with a window manager, Managed is still set"
[ "$(run_on_display bare)" = N ] || fail "the frames did not come back without a window manager"
echo "frames test: Wine's frames without a window manager, none with openbox"
