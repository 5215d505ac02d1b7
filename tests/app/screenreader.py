#!/usr/bin/python3
"""Meets the running program as a screen reader does, through the accessibility bus alone."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

BOX = "Vandrel Contest Software"
# role, name, words its description holds
MAIN = [("text", "Callsign", "Enter checks the callsign"), ("text", "Name", "Enter stores"),
        ("text", "Received report", "logs the contact"), ("text", "Sent report", "Enter"),
        ("text", "Band", "F7"), ("text", "Mode", "F6"), ("text", "Time UTC", ""),
        ("text", "Date", ""), ("text", "Points", ""), ("list", "Log book", "F2"),
        ("list", "Repeat allowed", ""), ("list", "Time wait", ""), ("list", "QSO summary", ""),
        ("status bar", "Status", ""), ("status bar", "Time left", "Contest time left"),
        ("label", "Station callsign", "VK6XYZ"), ("label", "Points total", ""),
        ("label", "CLEAR ENTRY", "Function key F1"), ("label", "QUIT", "Function key F10")]
# title, menu entry, controls
DIALOGS = [("Settings", "Settings", [("text", "Repeat contact time in hours", ""),
                                     ("spin button", "Contest finish date UTC", "")]),
           ("Sound", "Sound", [("text", "Dupe sound file", ""), ("check box", "CW Enabled", "")]),
           ("Screen Colours", "Colour", [("label", "Good QSO colour", "Click")])]
passed = 0
events = []


def fail(message):
    sys.exit("FAIL: %s\nscreen reader: %d passed, 1 failed" % (message, passed))


def poll(what, probe):
    end = time.monotonic() + 60  # a slow machine only polls longer
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            answer = probe()
        except Exception:  # a widget gone between two reads: ask again
            answer = None
        if answer not in (None, False):
            return answer
        time.sleep(0.05)
    fail("waited for " + what)


def children(acc):
    acc.clear_cache()  # read what is there now, not what was
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def walk(acc):
    yield acc
    for child in children(acc):
        yield from walk(child)


def find(root, role, name, words=""):
    return next((a for a in walk(root) if a.getRoleName() == role and a.name == name
                 and words in a.description), None)


def top(app, role, title):
    return next((w for w in children(app) if w.getRoleName() == role and title in w.name
                 and w.getState().contains(pyatspi.STATE_SHOWING)), None)


def program():
    desktop = pyatspi.Registry.getDesktop(0)
    app = next((a for a in children(desktop) if a.name == "VORAD"), None)
    if app:
        app.set_cache_mask(0)
    return app


def items(acc):
    return [c.name for c in children(acc)]


def press(button):
    action = button.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


def ok(what, probe):
    global passed
    poll(what, probe)
    passed += 1


app = poll("the program on the bus", program)
window = poll("the main window", lambda: top(app, "frame", "Vandrel v1.50"))
ok("every control by its name", lambda: all(find(window, *row) for row in MAIN))
allowed, wait, summary, status = (find(window, r, n) for r, n in (
    ("list", "Repeat allowed"), ("list", "Time wait"), ("list", "QSO summary"),
    ("status bar", "Status")))
ok("VK1AAA may be worked again", lambda: items(allowed) == ["VK1AAA  2m    FM"])

# A contact typed at the keyboard: the dupe rows, the summary and the status line follow.
pyatspi.Registry.registerEventListener(events.append, "object:property-change:accessible-name")
wid = xdotool("search", "--onlyvisible", "--name", "Vandrel v1.50").split()[0]
xdotool("windowfocus", "--sync", wid)
for text in ("vk3abc", "peter", "12"):
    xdotool("type", "--delay", "20", text)
    xdotool("key", "Return")
ok("VK3ABC in Time wait", lambda: items(wait) == ["VK3ABC  2m    FM"])
ok("the summary's 2m row", lambda: items(summary)[0].split()[:2] == ["2m", "2"])
ok("the status after the contact", lambda: "Ready for new log entry" in status.description)
ok("the status change told", lambda: any(e.source.name == "Status" for e in events))

# A refusal's box, answered with its button while the command waits: one press ends it.
xdotool("windowfocus", "--sync", wid)
xdotool("key", "F2")
box = poll("the refusal box", lambda: top(app, "alert", BOX))
if not any("not selected a logbook entry" in a.name for a in walk(box)):
    fail("the box does not tell the refusal")
press(find(box, "push button", "OK"))
ok("the box gone after one press", lambda: top(app, "alert", BOX) is None)

# The dialogs, opened from the menu and closed with their buttons, as a reader does.
for title, entry, controls in DIALOGS:
    find(window, "menu item", entry).queryAction().doAction(0)
    dialog = poll(title, lambda: top(app, "dialog", title))
    ok(title + " names", lambda: all(find(dialog, *row) for row in controls))
    press(find(dialog, "push button", "Cancel"))
    ok(title + " closed", lambda: top(app, "dialog", title) is None)
print("screen reader: %d passed, 0 failed" % passed)
