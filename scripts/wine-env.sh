# Sourced by the project's scripts: the project's own Wine prefix, its loader and server, and
# the start and stop of one Wine session. Nothing here touches the user's ~/.wine.
#
# Two prefixes exist, created on demand:
#   build/wine/null     Wine's null display driver: windows, DDE and the clipboard work without X;
#                       every test runs here.
#   build/wine/display  the X11 driver for a real or virtual display (demo, screenshots).

VEXOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VEXOR_BUILD=${VEXOR_BUILD:-$VEXOR_ROOT/build}
VEXOR_DISPLAY_KIND=${VEXOR_DISPLAY_KIND:-null}
export WINEPREFIX=${VEXOR_WINEPREFIX:-$VEXOR_BUILD/wine/$VEXOR_DISPLAY_KIND}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

wine_prefix_ready() { [ -f "$WINEPREFIX/.vexor-ready" ]; }

# Creates the prefix once; concurrent callers wait for the first one.
wine_prefix_create() {
    wine_prefix_ready && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        wine_prefix_ready && exit 0
        rm -rf "$WINEPREFIX"
        "$WINE64" wineboot -i </dev/null >/dev/null 2>&1 || exit 1
        if [ "$VEXOR_DISPLAY_KIND" = null ]; then
            "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
        else
            # Without a window manager every hide of a top-level window would wait 2 s for one.
            "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        fi </dev/null >/dev/null 2>&1 || exit 1
        "$WINESERVER" -w
        # wineboot links the user's folders to $HOME; the program must write inside the prefix.
        for link in "$WINEPREFIX"/drive_c/users/*/*; do
            [ -L "$link" ] && rm "$link" && mkdir "$link"
        done
        touch "$WINEPREFIX/.vexor-ready"
    ) 9>"$WINEPREFIX.lock"
}

# A persistent server, and Wine's own services started with /dev/null for their output: otherwise
# they inherit the first test's output pipe and the test runner waits for it to close.
wine_session_start() {
    wine_prefix_create || return 1
    "$WINESERVER" -p </dev/null >>"$VEXOR_BUILD/wineserver-$VEXOR_DISPLAY_KIND.log" 2>&1
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
}

wine_session_stop() {
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    return 0
}
