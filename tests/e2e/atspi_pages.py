#!/usr/bin/python3
"""Reads the running program through the real AT-SPI bus, as a screen reader
does: the page number, then a press of "Següent" by its accessible action, then
the new page number, which reads as focused so that a screen reader says it.
Prints both numbers; exits non-zero on any failure.

With --every-page, presses "Següent" until the last page and fails at the
first page that does not show: its number does not come, or a message box
does."""
import re
import sys
import time

import pyatspi

from atspi_tree import PAGE, find



def dump(node, depth=0):
    """The tree as a screen reader sees it, for the failure report."""
    try:
        print("  " * depth + f"{node.getRoleName()} {node.name!r} {node.description!r}", file=sys.stderr)
        for i in range(node.childCount):
            dump(node.getChildAtIndex(i), depth + 1)
    except Exception as error:
        print("  " * depth + f"<gone: {error}>", file=sys.stderr)


def wait_for(what, probe, seconds=30.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    app = application()
    if app is not None:
        dump(app)
    sys.exit(f"timed out waiting for {what}")


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name.lower() == "tirvelo":
            return app
    return None


def page_label(app):
    return find(app, lambda n: n.getRoleName() == "label" and PAGE.match(n.name or ""))


def message_box(app):
    return find(app, lambda n: n.getRoleName() == "alert")


def press_next(app):
    button = find(app, lambda n: n.getRoleName() == "push button" and n.name == "Següent")
    if button is None:
        sys.exit('no push button named "Següent"')
    actions = button.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if "Press" not in names:
        sys.exit(f"the button has no Press action, only {names}")
    actions.doAction(names.index("Press"))


def shown_page(app, wanted):
    """The label's text once it matches wanted; a message box instead ends the test."""
    box = message_box(app)
    if box is not None:
        sys.exit(f"a message box instead of page {wanted.pattern}: {box.name!r} {box.description!r}")
    label = page_label(app)
    return label.name if label is not None and wanted.match(label.name) else None


app = wait_for("the program on the accessibility bus", application, seconds=120)
frame = wait_for("the main window", lambda: find(app, lambda n: n.getRoleName() == "frame"))
print("title:", frame.name)

if "--every-page" in sys.argv[1:]:
    first = wait_for("page 1", lambda: shown_page(app, re.compile(r"^1 - \d+$")))
    print("shown:", first)
    count = int(PAGE.match(first).group(2))
    for page in range(2, count + 1):
        press_next(app)
        wanted = re.compile(f"^{page} - {count}$")
        print("shown:", wait_for(f"page {page}", lambda: shown_page(app, wanted)))
    sys.exit(0)

label = wait_for("the page number", lambda: page_label(app))
before = label.name
print("before:", before)
press_next(app)

after = wait_for("a new page number", lambda: (page_label(app).name if page_label(app) and page_label(app).name != before else None))
print("after:", after)
# A screen reader speaks a change of name only on what has its focus: the new
# page number takes it.
wait_for("the new page number to read as focused",
         lambda: page_label(app) is not None and page_label(app).getState().contains(pyatspi.STATE_FOCUSED))
print("focused:", page_label(app).name)
b, a = PAGE.match(before), PAGE.match(after)
if int(a.group(1)) != int(b.group(1)) + 1 or a.group(2) != b.group(2):
    sys.exit(f"pressing Següent went from {before} to {after}")
