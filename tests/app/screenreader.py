#!/usr/bin/python3
"""Meets the running program as a screen reader does, through the accessibility bus only: finds
its controls by name, reads the dupe and summary rows and the status line after a contact typed
at the keyboard, and answers a message box by pressing its button."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

BOX_TITLE = "Vandrel Contest Software"
WAIT = 60  # seconds: generous, a slow machine only polls longer

# role, name, words its description holds ("" when none is asked for)
MAIN_WINDOW = [
    ("text", "Callsign", "Enter checks the callsign"),
    ("text", "Name", "Enter stores the name"),
    ("text", "Received report", "Enter completes the report and logs"),
    ("text", "Sent report", "Enter"),
    ("text", "Band", "F7"),
    ("text", "Mode", "F6"),
    ("text", "Time UTC", ""),
    ("text", "Date", ""),
    ("text", "Points", ""),
    ("list", "Log book", "F2"),
    ("list", "Repeat allowed", ""),
    ("list", "Time wait", ""),
    ("list", "QSO summary", ""),
    ("status bar", "Status", ""),
    ("status bar", "Time left", "Contest time left"),
    ("label", "Station callsign", "VK6XYZ"),
    ("label", "Points total", ""),
    ("label", "Time zone", "UTC"),
    ("label", "CLEAR ENTRY", "Function key F1"),
    ("label", "EDIT CONTACT", "Function key F2"),
    ("label", "DUPES", "Function key F9"),
    ("label", "QUIT", "Function key F10"),
]
# dialog title, menu entry that opens it, its controls, the button that closes it
DIALOGS = [
    ("Settings", "Settings",
     [("text", "Callsign", ""), ("text", "Repeat contact time in hours", ""),
      ("spin button", "Contest finish date UTC", ""), ("text", "AM points", "")], "Cancel"),
    ("Sound", "Sound", [("combo box", "", "Opening its list"), ("text", "Dupe sound file", ""),
                        ("check box", "CW Enabled", "")], "Cancel"),
    ("Screen Colours", "Colour", [("label", "Good QSO colour", "Click"),
                                  ("text", "Entry boxes colour", "")], "Cancel"),
]

passed = 0
events = []


def fail(message):
    print("FAIL: " + message)
    print("screen reader: %d passed, 1 failed" % passed)
    sys.exit(1)


def ok():
    global passed
    passed += 1


def pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def poll(what, probe):
    """Asks probe until it answers something other than None or False."""
    end = time.monotonic() + WAIT
    while time.monotonic() < end:
        pump()
        try:
            answer = probe()
        except Exception:  # a widget gone between two reads: ask again
            answer = None
        if answer not in (None, False):
            return answer
        time.sleep(0.05)
    fail("waited %d s for %s" % (WAIT, what))


def fresh(acc):
    acc.clear_cache()
    return acc


def children(acc):
    fresh(acc)
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def walk(acc):
    yield acc
    for child in children(acc):
        if child is not None:
            yield from walk(child)


def showing(acc):
    return fresh(acc).getState().contains(pyatspi.STATE_SHOWING)


def find(root, role, name, description=""):
    for acc in walk(root):
        if acc.getRoleName() == role and (not name or acc.name == name) \
                and description in (acc.description or ""):
            return acc
    return None


def program():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "VORAD":
            app.set_cache_mask(0)
            return app
    return None


def top(app, role, title):
    for w in children(app):
        if w.getRoleName() == role and title in w.name and showing(w):
            return w
    return None


def items(acc):
    return [c.name for c in children(acc)]


def press(button):
    action = button.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "press" not in names:
        fail("%s has no press action: %s" % (button.name, names))
    action.doAction(names.index("press"))


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def main():
    app = poll("the program on the accessibility bus", program)
    window = poll("the main window", lambda: top(app, "frame", "Vandrel v1.50"))

    # Every control by its name, with what ENTER does in the entry row.
    for role, name, words in MAIN_WINDOW:
        poll("%s %r (%r)" % (role, name, words), lambda: find(window, role, name, words))
    ok()

    # The dupe display as it starts: the contact three hours ago may be worked again.
    allowed = find(window, "list", "Repeat allowed")
    wait = find(window, "list", "Time wait")
    summary = find(window, "list", "QSO summary")
    status = find(window, "status bar", "Status")
    poll("VK1AAA in Repeat allowed", lambda: items(allowed) == ["VK1AAA  2m    FM"])
    ok()

    # The status line is told as it changes.
    pyatspi.Registry.registerEventListener(events.append,
                                           "object:property-change:accessible-name")
    events.clear()
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Vandrel v1.50"],
                         check=True, capture_output=True, text=True).stdout.split()[0]
    xdotool("windowfocus", "--sync", wid)
    callsign = find(window, "text", "Callsign")
    for text in ("vk3abc", "peter", "12"):
        xdotool("type", "--delay", "20", text)
        xdotool("key", "Return")
    poll("VK3ABC in Time wait", lambda: items(wait) == ["VK3ABC  2m    FM"])
    ok()
    poll("VK1AAA still in Repeat allowed", lambda: items(allowed) == ["VK1AAA  2m    FM"])
    rows = poll("the summary row of 2m", lambda: items(summary) or None)
    if not rows[0].startswith("2m") or rows[0].split()[1] != "2":
        fail("summary rows: %r" % rows)
    ok()
    poll("the status line after the contact",
         lambda: "Ready for new log entry" in fresh(status).description)
    poll("the status line's change told on the bus",
         lambda: any(e.source is not None and e.source.name == "Status"
                     and e.source.getRoleName() == "status bar" for e in events))
    poll("the callsign box emptied", lambda: fresh(callsign).queryText().characterCount == 0)
    ok()

    # A refusal's box, answered with its button while the command waits; one press ends it.
    xdotool("windowfocus", "--sync", wid)
    xdotool("key", "F2")
    box = poll("the refusal box", lambda: top(app, "alert", BOX_TITLE))
    if not any("not selected a logbook entry" in (a.name or "") for a in walk(box)):
        fail("the box does not tell the refusal")
    press(poll("the box's OK button", lambda: find(box, "push button", "OK")))
    poll("the box gone after one press", lambda: top(app, "alert", BOX_TITLE) is None)
    ok()

    # The dialogs, opened from the menu as a reader does, then closed with their buttons.
    for title, entry, controls, close in DIALOGS:
        item = poll("menu entry " + entry, lambda: find(window, "menu item", entry))
        item.queryAction().doAction(0)
        dialog = poll("the %s dialog" % title, lambda: top(app, "dialog", title))
        for role, name, words in controls:
            poll("%s: %s %r (%r)" % (title, role, name, words),
                 lambda: find(dialog, role, name, words))
        press(find(dialog, "push button", close))
        poll("the %s dialog closed" % title, lambda: top(app, "dialog", title) is None)
    ok()
    print("screen reader: %d passed, 0 failed" % passed)


main()
