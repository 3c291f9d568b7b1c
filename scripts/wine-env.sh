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
# Wine names the files of the Linux side in the locale's character set: under a locale without
# UTF-8 (a fresh machine's bare "C"), a name with letters outside ASCII cannot be made at all.
# Only the character set is set, and only when no locale is asked for by name: a test that runs
# Wine under another one (LC_ALL=fr_FR.UTF-8) keeps it.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
*[Uu][Tt][Ff]-8 | *[Uu][Tt][Ff]8) ;;
"" | C | POSIX) export LC_CTYPE=C.UTF-8 ;;
esac
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver64

# Bumped whenever the prefix's set-up changes, so older prefixes are made anew. A prefix made
# while only the 64-bit Wine was installed has no syswow64 and can never start a 32-bit program,
# so the marker also records whether the 32-bit Wine was there.
VEXOR_PREFIX_VERSION=4
wine_prefix_marker() { echo "$VEXOR_PREFIX_VERSION$([ -x "$WINE32" ] && echo ' wow64')"; }
wine_prefix_ready() { [ "$(cat "$WINEPREFIX/.vexor-ready" 2>/dev/null)" = "$(wine_prefix_marker)" ]; }

# Test prefix: COM1..COM8 lead to build/serial/comN, links the instrument simulator points at
# its pseudo-terminal; COM11..COM18 are second names for the same ports; COM9 leads nowhere.
# Display prefix: COM1 leads to build/serial/display-com1.
wine_map_ports() {
    local n
    if [ "$VEXOR_DISPLAY_KIND" != null ]; then
        "$WINE64" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$VEXOR_BUILD/serial/display-com1" /f
        return
    fi
    for n in 1 2 3 4 5 6 7 8; do
        "$WINE64" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$VEXOR_BUILD/serial/com$n" /f
        "$WINE64" reg add 'HKLM\Software\Wine\Ports' /v "COM1$n" /d "$VEXOR_BUILD/serial/com$n" /f
    done
    "$WINE64" reg add 'HKLM\Software\Wine\Ports' /v COM9 /d "$VEXOR_BUILD/serial/absent" /f
}

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
            "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f &&
            wine_map_ports
        else
            # Without a window manager every hide of a top-level window would wait 2 s for one.
            "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
            wine_map_ports
        fi </dev/null >/dev/null 2>&1 || exit 1
        "$WINESERVER" -w
        # wineboot links the user's folders to $HOME; the program must write inside the prefix.
        for link in "$WINEPREFIX"/drive_c/users/*/*; do
            [ -L "$link" ] && rm "$link" && mkdir "$link"
        done
        # Wine's own fonts (Marlett for the caption buttons, MS Sans Serif, Tahoma) are found
        # only in the prefix's Fonts folder here: without them a close box is drawn as "r".
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
        mkdir -p "$VEXOR_BUILD/serial"
        wine_prefix_marker >"$WINEPREFIX/.vexor-ready"
    ) 9>"$WINEPREFIX.lock"
}

# Test tooling: the modem-line shim, and where the simulators write the lines it reports.
# The loader expands $LIB to the folder of the process's word size: 64- and 32-bit builds.
VEXOR_MODEM_SHIM="$VEXOR_BUILD/native/tools/modem-shim/\$LIB/libmodem-shim.so"
VEXOR_MODEM_SHIM_64="$VEXOR_BUILD/native/tools/modem-shim/lib/x86_64-linux-gnu/libmodem-shim.so"
export VEXOR_MODEM_LINES_DIR="$VEXOR_BUILD/serial/lines"

# A persistent server, and Wine's own services started with /dev/null for their output: otherwise
# they inherit the first test's output pipe and the test runner waits for it to close.
# With --with-shim the server (which opens devices for every Wine process) gets the modem-line
# shim, so a simulator can make its terminal refuse opening as a busy port does.
# Runs a command with the Wine processes' locale: VEXOR_WINE_LOCALE when it is set (the guide's
# screenshots are taken under a French one, so the system's own dialogs are French too).
wine_run() { env ${VEXOR_WINE_LOCALE:+LC_ALL=$VEXOR_WINE_LOCALE} "$@"; }

wine_session_start() {
    wine_prefix_create || return 1
    mkdir -p "$VEXOR_MODEM_LINES_DIR"
    local preload=""
    [ "${1:-}" = --with-shim ] && [ -f "$VEXOR_MODEM_SHIM_64" ] && preload="$VEXOR_MODEM_SHIM"
    LD_PRELOAD="$preload" "$WINESERVER" -p </dev/null \
        >>"$VEXOR_BUILD/wineserver-$VEXOR_DISPLAY_KIND.log" 2>&1
    wine_run "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
}

# The prefix's display scale: LogPixels (96 for 100 %, 144 for 150 %...), which Wine reads as its
# session starts; set with the prefix's server stopped, and left stopped.
wine_set_dpi() {
    local key
    wine_session_stop
    for key in 'HKCU\Control Panel\Desktop' \
        'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
        "$WINE64" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1 ||
            return 1
    done
    wine_session_stop
}

wine_session_stop() {
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    return 0
}
