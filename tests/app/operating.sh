#!/usr/bin/env bash
# Operates the real program under Xvfb as an operator does: three contacts typed at the keyboard
# on two bands, one edited and one deleted through the log list, then F10. Checks the logbook, its
# backup and the settings after each step, and takes a picture of the window with both panels.
# VORAD_SCREENSHOT=path keeps a copy of that picture (the one in the README).
set -euo pipefail
TOOLS=$(dirname "$(realpath "$0")")/../tools
. "$TOOLS/xsession.sh"
session_begin "$1"
export TZ=UTC
PASSED=0
fail() {
    echo "FAIL: $*"
    echo "operating window: $PASSED passed, 1 failed"
    stop_program
    exit 1
}
# The program writes its settings when it is ended: it must be gone before the session puts the
# original settings file back.
stop_program() {
    [ -n "${APP:-}" ] || return 0
    kill "$APP" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$APP" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$APP" 2>/dev/null || true
    wait "$APP" 2>/dev/null || true
    APP=
}
pass() { PASSED=$((PASSED + 1)); }

# wait_lines N: until the logbook holds N lines
wait_lines() {
    for _ in $(seq 100); do
        [ "$(wc -l <"$LOG")" -eq "$1" ] && return 0
        sleep 0.05
    done
    fail "the logbook holds $(wc -l <"$LOG") lines, not $1: $(cat "$LOG")"
}
# wait_change FILE: until the logbook differs from FILE
wait_change() {
    for _ in $(seq 100); do
        cmp -s "$LOG" "$1" || return 0
        sleep 0.05
    done
    fail "the logbook did not change: $(cat "$LOG")"
}
contact() {
    xdotool type --delay 20 "$1"; xdotool key Return
    xdotool type --delay 20 "$2"; xdotool key Return
    xdotool type --delay 20 "$3"; xdotool key Return
}
# row_at N: window coordinates of the Nth line (from 0) of the log list, which the layout puts
# at 8,187 of the client area below the menu bar in the 635 x 435 window.
row_at() {
    echo "108 $((MENU + 187 + 16 * $1 + 8))"
}
line() { # line KEY: one logged contact as the file holds it, any date and time
    printf '^"[0-9]{2}-[0-9]{2}-[0-9]{4}","[0-9]{2}:[0-9]{2}",%s\r$' "$1"
}

cd "$WORK"
LOG="$WORK/QZVHF.LOG"
BAK="$WORK/QZVHF.BAK"
: >"$LOG"
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK6XYZ\r\n[TIME]\r\nContestStartDate=%s\r\nContestStartTime=%s\r\nContestFinishDate=%s\r\nContestFinishTime=%s\r\nRepeatContactTimeHrs=2\r\n[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\nLogBookFullScreen=0\r\n' \
    "$LOG" "$(LC_ALL=C date -u -d '-1 hour' +'%-d %b %Y')" "$(date -u -d '-1 hour' +%H:%M:%S)" \
    "$(LC_ALL=C date -u -d '+12 hours' +'%-d %b %Y')" "$(date -u -d '+12 hours' +%H:%M:%S)" >"$INI"
LC_ALL=C "$BIN" & APP=$!
MAIN=$(wait_window "Vandrel v1.50") || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
[ "${WIDTH}x$HEIGHT" = 635x435 ] || fail "window ${WIDTH}x$HEIGHT, not the default 635x435"
# The client area starts at the first navy line under the menu bar.
sleep 0.3
import -window "$MAIN" "$WORK/start.png"
MENU=$(convert "$WORK/start.png" -crop 1x60+4+0 +repage txt:- | awk -F'[,:]' '/#000080/ { print $2; exit }')
[ -n "$MENU" ] && [ "$MENU" -gt 10 ] && [ "$MENU" -lt 40 ] || fail "no menu bar above the client area (${MENU:-none})"
# The displays' state must come back from the program at exit, not from this file.
sed -i '/^DupeScreen=/d;/^SummaryScreen=/d;/^LogFileName=/d' "$INI"
# An empty logbook opens the settings dialog at the first clock tick; Escape closes it.
SET=$(wait_window '^Settings$') || fail "the settings dialog did not open on the empty log"
xdotool windowfocus --sync "$SET"
xdotool key Escape
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Settings$' >/dev/null 2>&1 || break; sleep 0.05; done
xdotool search --onlyvisible --name '^Settings$' >/dev/null 2>&1 && fail "Escape left the settings dialog open"
pass
xdotool windowfocus --sync "$MAIN"
sleep 0.3

# Three contacts, the second and third one band up.
contact vk3abc peter 12
wait_lines 1
xdotool key F8
contact zl2xy kim 23
wait_lines 2
contact vk2qq bob 34
wait_lines 3
grep -Eq "$(line '"2m","FM","VK3ABC","001","012",[0-9]+,"Peter"')" "$LOG" \
    && grep -Eq "$(line '"70cm","FM","ZL2XY","002","023",[0-9]+,"Kim"')" "$LOG" \
    && grep -Eq "$(line '"70cm","FM","VK2QQ","003","034",[0-9]+,"Bob"')" "$LOG" \
    || fail "typed contacts not in the logbook: $(cat "$LOG")"
pass

# The picture: both panels show, and no clock stands over either of them.
sleep 0.2
import -window "$MAIN" "$WORK/operating-window.png"
COLOURS=$(identify -format "%[hex:p{230,$((MENU + 95))}] %[hex:p{600,$((MENU + 100))}] %[hex:p{248,$((MENU + 150))}]" \
    "$WORK/operating-window.png")
[ "$COLOURS" = "808080 000000 000080" ] \
    || fail "summary (grey), dupe list (black), form (navy) not where expected: $COLOURS"
[ -n "${VORAD_SCREENSHOT:-}" ] && cp "$WORK/operating-window.png" "$VORAD_SCREENSHOT"
pass

# Edit: a double click on the second line selects it and opens it with the focus on the name.
cp "$LOG" "$WORK/before-edit.log"
read -r X Y <<<"$(row_at 1)"
xdotool mousemove --window "$MAIN" "$X" "$Y" click --repeat 2 --delay 80 1
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 20 tina
xdotool key Return Return
wait_change "$WORK/before-edit.log"
sed 's/^\(.*"ZL2XY".*\),"Kim"\r$/\1,"Tina"\r/' "$WORK/before-edit.log" >"$WORK/expected.log"
cmp -s "$LOG" "$WORK/expected.log" || fail "edited logbook: $(cat "$LOG")"
cmp -s "$BAK" "$WORK/before-edit.log" || fail "the backup is not the logbook before the edit"
pass

# Delete: a click on the last line, F2 to open it, F3 to delete it.
cp "$LOG" "$WORK/before-delete.log"
read -r X Y <<<"$(row_at 2)"
xdotool mousemove --window "$MAIN" "$X" "$Y" click 1
sleep 0.2
xdotool key F2 F3
wait_lines 2
head -n 2 "$WORK/before-delete.log" >"$WORK/expected.log"
cmp -s "$LOG" "$WORK/expected.log" || fail "logbook after the delete: $(cat "$LOG")"
cmp -s "$BAK" "$WORK/before-delete.log" || fail "the backup is not the logbook before the delete"
pass

# F10: a clean end, the files as the delete left them, the settings written.
cp "$LOG" "$WORK/after-delete.log"
xdotool key F10
for _ in $(seq 200); do kill -0 "$APP" 2>/dev/null || break; sleep 0.05; done
kill -0 "$APP" 2>/dev/null && fail "the program did not end after F10"
STATUS=0
wait "$APP" || STATUS=$?
APP=
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS after F10"
pass
[ "$(wc -l <"$LOG")" -eq 2 ] \
    && grep -Eq "$(line '"2m","FM","VK3ABC","001","012",[0-9]+,"Peter"')" <(sed -n 1p "$LOG") \
    && grep -Eq "$(line '"70cm","FM","ZL2XY","002","023",[0-9]+,"Tina"')" <(sed -n 2p "$LOG") \
    && cmp -s "$LOG" "$WORK/after-delete.log" \
    || fail "logbook at exit: $(cat "$LOG")"
pass
[ "$(wc -l <"$BAK")" -eq 3 ] && cmp -s "$BAK" "$WORK/before-delete.log" \
    || fail "backup at exit: $(cat "$BAK")"
pass
grep -q $'^DupeScreen=1\r$' "$INI" && grep -q $'^SummaryScreen=1\r$' "$INI" \
    || fail "the displays' state not saved at exit: $(grep -a 'Screen=' "$INI")"
grep -q "^LogFileName=$LOG"$'\r$' "$INI" || fail "log file name not saved at exit"
pass
echo "operating window: $PASSED passed, 0 failed"
