# Sourced by the scripts that run the real program: a fresh folder, an Xvfb display, and the
# settings file beside the executable put aside and restored afterwards.
# Sets WORK, INI, DISPLAY; the caller keeps the program's pid in APP.
session_begin() {
    BIN=$(realpath "$1")
    INI="$BIN.ini"
    WORK=$(mktemp -d)
    export XDG_RUNTIME_DIR="$WORK/xdg"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    unset QT_QPA_PLATFORM
    SAVED_INI=
    if [ -f "$INI" ]; then SAVED_INI="$WORK/saved.ini"; mv "$INI" "$SAVED_INI"; fi
    trap session_end EXIT
    # VORAD_XVFB_DISPLAY=:N runs it on that display rather than the first free one.
    Xvfb ${VORAD_XVFB_DISPLAY:-} -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
    XVFB=$!
    for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$WORK/display")"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
}

session_end() {
    # The program writes its ini as it stops: wait for it before putting the saved one back.
    if [ -n "${APP:-}" ] && kill "$APP" 2>/dev/null; then
        for _ in $(seq 100); do kill -0 "$APP" 2>/dev/null || break; sleep 0.05; done
        kill -9 "$APP" 2>/dev/null || true
    fi
    [ -n "${XVFB:-}" ] && kill "$XVFB" 2>/dev/null || true
    rm -f "$INI"
    [ -n "$SAVED_INI" ] && mv "$SAVED_INI" "$INI"
    rm -rf "$WORK"
}

# wait_window TITLE: prints the id of the first visible window whose name holds TITLE
wait_window() {
    for _ in $(seq 200); do
        local id
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    return 1
}
