#!/usr/bin/env bash
# Starts the real program under Xvfb in a fresh folder, answers its first-run message, closes it
# as a window manager would (WM_DELETE_WINDOW) and then by SIGTERM, and checks the files it left.
set -euo pipefail
TOOLS=$(dirname "$(realpath "$0")")/../tools
. "$TOOLS/xsession.sh"
session_begin "$1"
fail() { echo "FAIL: $*"; exit 1; }

wait_exit() {
    for _ in $(seq 200); do kill -0 "$APP" 2>/dev/null || { wait "$APP"; return $?; }; sleep 0.05; done
    fail "the program did not end"
}
answer_box() {
    local box
    box=$(wait_window "Vandrel Contest Software 1.50") || fail "no message box: $1"
    xdotool windowfocus --sync "$box"
    xdotool key Return
}

cd "$WORK"
# First start: no logbook, no settings.
"$BIN" & APP=$!
answer_box "first-run message"
MAIN=$(wait_window "Vandrel v1.50") || fail "no main window"
[ -f "$WORK/QZVHF.LOG" ] || fail "the logbook was not created"
[ ! -s "$WORK/QZVHF.LOG" ] || fail "the new logbook is not empty"
/usr/bin/python3 "$TOOLS/wm_close.py" "$MAIN"
wait_exit || fail "exit status $?"
APP=
grep -q '^Last=DOVavovivProgramRunTime' "$INI" || fail "settings not written at close"
grep -q "^LogFileName=$WORK/QZVHF.LOG" "$INI" || fail "log file name not in the settings"
grep -q '^ColourForm=8388608' "$INI" || fail "colours not in the settings"

# Second start: the empty log asks for the callsign; a SIGTERM (logout) still saves.
printf '\r\n[MINE]\r\nKeep=this\r\n' >>"$INI"
sed -i 's/^RepeatContactTimeHrs=.*/RepeatContactTimeHrs=3/' "$INI"
"$BIN" & APP=$!
answer_box "callsign message"
wait_window "Vandrel v1.50" >/dev/null || fail "no main window"
sleep 0.2
kill -TERM "$APP"
wait_exit || fail "exit status $? after SIGTERM"
APP=
grep -q '^RepeatContactTimeHrs=3' "$INI" || fail "settings not kept through SIGTERM"
grep -q '^Keep=this' "$INI" || fail "a foreign key was lost"
[ -f "$WORK/QZVHF.LOG" ] && [ ! -s "$WORK/QZVHF.LOG" ] || fail "the logbook changed"

# Third start: a logout while the start-up waits on its message box still saves and ends.
rm -f "$INI" "$WORK/QZVHF.LOG"
"$BIN" & APP=$!
wait_window "Vandrel Contest Software 1.50" >/dev/null || fail "no message box"
kill -TERM "$APP"
wait_exit || fail "exit status $? after SIGTERM at the message box"
APP=
grep -q '^Last=DOVavovivProgramRunTime' "$INI" || fail "settings not written on SIGTERM at start-up"

# Fourth start, inside the contest window: a contact typed at the keyboard reaches the file.
: >"$WORK/QZVHF.LOG"
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK6XYZ\r\n[TIME]\r\nContestFinishDate=%s\r\nContestFinishTime=%s\r\n' \
    "$WORK/QZVHF.LOG" "$(LC_ALL=C date -u -d '+12 hours' +'%-d %b %Y')" "$(date -u -d '+12 hours' +%H:%M:%S)" >"$INI"
LC_ALL=C "$BIN" & APP=$!
MAIN=$(wait_window "Vandrel v1.50") || fail "no main window"
xdotool windowfocus --sync "$MAIN"
sleep 0.3
xdotool type --delay 20 vk3abc; xdotool key Return
xdotool type --delay 20 peter; xdotool key Return
xdotool type --delay 20 12; xdotool key Return
sleep 0.3
/usr/bin/python3 "$TOOLS/wm_close.py" "$MAIN"
wait_exit || fail "exit status $?"
APP=
grep -Eq '^"[0-9]{2}-[0-9]{2}-[0-9]{4}","[0-9]{2}:[0-9]{2}","2m","FM","VK3ABC","001","012",[0-9]+,"Peter"'$'\r''$' "$WORK/QZVHF.LOG" \
    || fail "typed contact not in the logbook: $(cat "$WORK/QZVHF.LOG")"
[ "$(wc -l <"$WORK/QZVHF.LOG")" -eq 1 ] || fail "more than one contact logged"
echo "real program: 4 passed, 0 failed"
