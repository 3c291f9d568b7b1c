# Sourced by the scripts that show the program on a display (the main job, the screenshots):
# the build, hameg-sim on the display prefix's COM1, a virtual display when asked, the program,
# and the stop of everything started here, by process id.
export VEXOR_DISPLAY_KIND=display
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
. "$VEXOR_ROOT/scripts/packages.sh"
. "$VEXOR_ROOT/scripts/build.sh"

demo_pids=()
demo_stop() {
    wine_session_stop
    local pid
    for pid in "${demo_pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    demo_pids=()
}

demo_build() {
    install_missing_packages || { echo "package installation failed"; return 1; }
    mkdir -p "$VEXOR_BUILD/serial"
    build_tree native -DVEXOR_SANITIZE=ON >/dev/null &&
        build_tree win64 -DCMAKE_TOOLCHAIN_FILE="$VEXOR_ROOT/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null ||
        { echo "build failed"; return 1; }
}

# demo_start_sim LOG OPTION...: the simulator on the pseudo-terminal that COM1 leads to.
demo_start_sim() {
    local log=$1; shift
    "$VEXOR_BUILD/native/tools/hameg-sim/hameg-sim" --link "$VEXOR_BUILD/serial/display-com1" "$@" \
        >"$log" 2>&1 &
    demo_pids+=($!)
    local _
    for _ in $(seq 50); do grep -q '^slave' "$log" 2>/dev/null && return 0; sleep 0.1; done
    echo "hameg-sim did not start; see $log"
    return 1
}

# demo_start_scpi_sim LOG [scpi-sim options]: a network scope on a loopback port, which the next
# demo_start_program writes into vexor.ini as the instrument.
demo_start_scpi_sim() {
    local log=$1; shift
    rm -f "$log.port"
    "$VEXOR_BUILD/native/tools/scpi-sim/scpi-sim" --port-file "$log.port" "$@" >"$log" 2>&1 &
    demo_pids+=($!)
    local _
    for _ in $(seq 50); do
        [ -s "$log.port" ] && { VEXOR_DEMO_RESOURCE="TCPIP0::127.0.0.1::$(cat "$log.port")::SOCKET"; return 0; }
        sleep 0.1
    done
    echo "scpi-sim did not start; see $log"
    return 1
}

# demo_start_virtual_display LOG: an Xvfb of our own on the first free display number, of
# VEXOR_SCREEN's size (1024x768 unless set).
demo_start_virtual_display() {
    local n _
    for n in $(seq 90 99); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
    Xvfb ":$n" -screen 0 "${VEXOR_SCREEN:-1024x768}x24" -nolisten tcp >"$1" 2>&1 &
    demo_pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start; see $1"
    return 1
}

# demo_start_program LOG: a Wine session on the display and vexor.exe set to COM1, started in
# the user's Documents\Curvilab folder (where its save dialog then opens). VEXOR_DEMO_SETTINGS,
# when set, is added to vexor.ini as it stands (sections and lines ending with CR LF).
demo_start_program() {
    # A session left by an earlier run without a display would start the desktop without X.
    wine_session_stop
    wine_session_start || { echo "wine: no session"; return 1; }
    local user="$WINEPREFIX/drive_c/users/$(whoami)"
    mkdir -p "$user/AppData/Roaming/Curvilab" "$user/Documents/Curvilab" &&
        printf '[COM]\r\nNumber=1\r\n%s%s' \
            "${VEXOR_DEMO_RESOURCE:+[Instrument]$'\r\n'Resource=$VEXOR_DEMO_RESOURCE$'\r\n'}" \
            "${VEXOR_DEMO_SETTINGS:-}" >"$user/AppData/Roaming/Curvilab/vexor.ini"
    (cd "$user/Documents/Curvilab" && exec env ${VEXOR_WINE_LOCALE:+LC_ALL=$VEXOR_WINE_LOCALE} \
        "$WINE64" "$VEXOR_BUILD/win64/vexor.exe") >"$1" 2>&1 &
    demo_pids+=($!)
}

# The driver takes its texts from a command line in UTF-8, which Wine reads right only under the
# machine's own locale: it never takes the program's.
driver() { "$WINE64" "$VEXOR_BUILD/win64/ui-driver.exe" "$@"; }

# A path of the Linux side as the program sees it (drive Z:).
windows_path() { echo "Z:${1//\//\\}"; }
