"""Walks Varnix's accessible tree over AT-SPI, as a screen reader would, and
fails when a control that is on screen has no name.

    python3 probe.py        (run inside the session that runs varnix)
"""

import sys
import time

import pyatspi

CONTROLS = {
    "push button", "toggle button", "check box", "radio button", "combo box", "text", "password text",
    "spin button", "page tab", "table", "tree table", "list", "menu item", "slider",
}


def find_application(name, seconds=20):
    desktop = pyatspi.Registry.getDesktop(0)
    deadline = time.time() + seconds
    while time.time() < deadline:
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name and name in app.name.lower():
                return app
        time.sleep(0.2)
    return None


def showing_controls(node, depth=0):
    if node is None or depth > 60:
        return
    if node.getRoleName() in CONTROLS and node.getState().contains(pyatspi.STATE_SHOWING):
        yield node
    for i in range(node.childCount):
        try:
            child = node.getChildAtIndex(i)
        except Exception:  # a child that went away while we walked
            continue
        yield from showing_controls(child, depth + 1)


def main():
    app = find_application("varnix")
    if app is None:
        print("accessibility: varnix never appeared on the accessibility bus")
        return 1
    controls = list(showing_controls(app))
    unnamed = [f"{c.getRoleName()} in {c.parent.name or c.parent.getRoleName()}" for c in controls if not c.name]
    print(f"accessibility: {len(controls)} controls on screen, {len(unnamed)} without a name")
    for what in unnamed:
        print(f"  unnamed: {what}")
    return 1 if unnamed or not controls else 0


if __name__ == "__main__":
    sys.exit(main())
