#!/usr/bin/python3
"""What a screen reader finds in the main window, read through AT-SPI as Orca reads it.

    accessibility_test.py BRENMOOR BOOK

Starts brenmoor BOOK on a virtual X screen with its own session bus, waits for the scan,
and checks in the accessibility tree: the contact tree's rows (the root and every
contact, by name), the detail boxes named after their labels, the filter field, that
a row selected through AT-SPI is selected, shown, and announced by an event, the
selection count, and a name on every control the keyboard reaches.
Exits 77 (skipped) only where Xvfb, a session bus or AT-SPI is not installed.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77


def missing_tools():
    missing = [tool for tool in ("xvfb-run", "dbus-run-session") if not shutil.which(tool)]
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        missing.append("python3-pyatspi")
    if not any(os.path.exists(p) for p in ("/usr/libexec/at-spi-bus-launcher",
                                             "/usr/lib/at-spi2-core/at-spi-bus-launcher")):
        missing.append("at-spi2-core")
    return missing


def find_all(node, predicate, depth=0, found=None):
    found = [] if found is None else found
    if depth > 40:
        return found
    try:
        if predicate(node):
            found.append(node)
        count = node.childCount
    except Exception:
        return found
    # The tree's rows are checked through the tree itself; not every row is walked.
    if node.getRoleName() == "tree":
        return found
    for i in range(count):
        child = node.getChildAtIndex(i)
        if child is not None:
            find_all(child, predicate, depth + 1, found)
    return found


def selection_failures(pyatspi, tree, rows, named):
    """A row picked as a screen reader picks it is selected and shown, and the tree tells
    listeners of the change, as Orca needs to speak the new row."""
    from gi.repository import GLib
    events = []

    def heard(event):
        events.append(event.type)
    pyatspi.Registry.registerEventListener(heard, "object:selection-changed", "object:state-changed:selected",
                                           "object:active-descendant-changed")
    failures = []
    try:
        action = rows[2].queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if "SetFocus" not in names or not action.doAction(names.index("SetFocus")):
            failures.append("the third row offers no action to pick it: %r" % names)
        deadline = time.time() + 5
        while time.time() < deadline and not (events and rows[2].getState().contains(pyatspi.STATE_SELECTED)):
            GLib.MainContext.default().iteration(False)
            time.sleep(0.05)
        if not rows[2].getState().contains(pyatspi.STATE_SELECTED):
            failures.append("the third row is not selected after its action")
        if not events:
            failures.append("no selection event after the selection changed")
        first = named("text", "First")
        shown = first[0].queryText().getText(0, -1) if first else ""
        if rows[2].name and shown and shown not in rows[2].name:
            failures.append("the details show %r for the selected row %r" % (shown, rows[2].name))
    finally:
        pyatspi.Registry.deregisterEventListener(heard, "object:selection-changed", "object:state-changed:selected",
                                                 "object:active-descendant-changed")
    return failures


def inner(brenmoor, book, expected_contacts, lists, result):
    import pyatspi
    # Settings go to the check's own folder, not the user's.
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               XDG_CONFIG_HOME=os.path.dirname(result))
    env.pop("QT_QPA_PLATFORM", None)
    program = subprocess.Popen([brenmoor, book], env=env)
    try:
        app = None
        tree = None
        deadline = time.time() + 60
        while time.time() < deadline and tree is None:
            time.sleep(0.5)
            desktop = pyatspi.Registry.getDesktop(0)
            apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
            app = next((a for a in apps if a is not None and a.name.lower() == "brenmoor"), None)
            if app is None:
                continue
            trees = find_all(app, lambda n: n.getRoleName() == "tree")
            # The root and its contacts, then the lists' heading and its lists.
            if trees and trees[0].childCount == expected_contacts + 1 + (lists + 1 if lists else 0):
                tree = trees[0]
        if tree is None:
            print("no contact tree with %d rows in the accessibility tree of %s" % (expected_contacts + 1, app))
            return 1
        rows = [tree.getChildAtIndex(i) for i in range(tree.childCount)]
        failures = []
        if rows[0].name != "Notes Address Book":
            failures.append("first row is %r" % rows[0].name)
        # Qt gives a tree's items the table cell role of AT-SPI, as in its own tree view.
        if rows[1].name != "Ann  Lee" or rows[1].getRoleName() not in ("table cell", "tree item"):
            failures.append("second row is %r (%s)" % (rows[1].name, rows[1].getRoleName()))
        if not rows[-1].name:
            failures.append("the last row has no name")
        if lists and rows[expected_contacts + 1].name != "Mailing Lists":
            failures.append("the row after the contacts is %r, not the lists' heading" % rows[expected_contacts + 1].name)

        def named(role, name):
            return find_all(app, lambda n: n.getRoleName() == role and n.name == name)
        for label in ("First", "Last", "Email", "Company", "Office phone"):
            if not named("text", label):
                failures.append("no text box named %r" % label)
        if not named("text", "Filter"):
            failures.append("no filter field")
        failures += selection_failures(pyatspi, tree, rows, named)
        # The selection count reads as the status bar shows it.
        counts = find_all(app, lambda n: n.getRoleName() == "label" and re.fullmatch(r"[\d,.]+ of [\d,.]+ selected", n.name))
        if not counts:
            failures.append("no selection count (\"N of M selected\") among the labels")
        elif not counts[0].name.startswith("1 of "):
            failures.append("the selection count reads %r with one row selected" % counts[0].name)
        for role, name in (("split pane", "Contact list and details"), ("progress bar", "Progress")):
            if not named(role, name):
                failures.append("no %s named %r" % (role, name))
        # Every control the keyboard reaches has a name to be read by.
        for node in find_all(app, lambda n: n.getState().contains(pyatspi.STATE_FOCUSABLE)
                             and n.getState().contains(pyatspi.STATE_SHOWING) and not n.name
                             and n.getRoleName() not in ("table cell", "tree item")):
            failures.append("a %s the keyboard reaches has no name" % node.getRoleName())
        for failure in failures:
            print(failure)
        with open(result, "w") as f:
            f.write("failed" if failures else "passed")
        return 1 if failures else 0
    finally:
        program.kill()
        program.wait()


def main():
    if len(sys.argv) == 7 and sys.argv[1] == "--inner":
        return inner(sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]), sys.argv[6])
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    missing = missing_tools()
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return SKIP
    brenmoor, book = sys.argv[1], sys.argv[2]
    with open(book, encoding="utf-8") as f:
        text = f.read()
    contacts = text.count("form='Person'")
    # The sample book's groups are all address lists.
    lists = text.count("form='Group'")
    # xvfb-run's own exit status also counts its clean-up; the verdict comes in a file.
    with tempfile.TemporaryDirectory(prefix="brenmoor-a11y-") as folder:
        result = os.path.join(folder, "result")
        subprocess.call(["dbus-run-session", "--", "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                         sys.executable, os.path.abspath(__file__), "--inner", brenmoor, book, str(contacts), str(lists), result])
        if not os.path.exists(result):
            print("the check inside the virtual screen did not finish")
            return 1
        with open(result) as f:
            return 0 if f.read() == "passed" else 1


if __name__ == "__main__":
    sys.exit(main())
