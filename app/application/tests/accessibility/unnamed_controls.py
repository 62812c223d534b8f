#!/usr/bin/python3
"""Walks the accessibility tree of a running application over AT-SPI, as a
screen reader does, and reports every showing control without a name.

Usage: unnamed_controls.py APPLICATION-NAME [SECONDS [CANVAS-TEXT]]
With CANVAS-TEXT, waits until a canvas whose description holds it shows.
Prints one line per control ("role\tname\tdescription\tstates") for the
canvas and for each unnamed control; exits 1 when a showing control has no
name, 2 when the application never appears, else 0.
"""
import sys
import time

import pyatspi

CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TOOL_BAR,
    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_CANVAS, pyatspi.ROLE_IMAGE, pyatspi.ROLE_LIST,
    pyatspi.ROLE_TABLE, pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_UNKNOWN,
}


def find_application(name, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name and app.childCount > 0:
                return app
        time.sleep(0.2)
    return None


def states(node):
    state = node.getState()
    return ",".join(sorted(pyatspi.stateToString(s) for s in state.getStates()))


def walk(node, found, depth=0):
    if node is None or depth > 80:
        return
    state = node.getState()
    if not state.contains(pyatspi.STATE_SHOWING):
        return
    role = node.getRole()
    if role == pyatspi.ROLE_CANVAS:
        found["canvas"].append(node)
    if role in CONTROLS and not (node.name or "").strip():
        found["unnamed"].append(node)
    found["count"] += 1
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), found, depth + 1)


def main():
    name = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    app = find_application(name, seconds)
    if app is None:
        print("no application named %s on the accessibility bus" % name)
        return 2
    awaited = sys.argv[3] if len(sys.argv) > 3 else None
    deadline = time.monotonic() + seconds
    while True:
        found = {"canvas": [], "unnamed": [], "count": 0}
        walk(app, found)
        ready = awaited is None or any(awaited in (node.description or "")
                                       for node in found["canvas"])
        if ready or time.monotonic() > deadline:
            break
        time.sleep(0.3)
    print("showing\t%d" % found["count"])
    for node in found["canvas"]:
        print("canvas\t%s\t%s\t%s" % (node.name, node.description, states(node)))
    for node in found["unnamed"]:
        parent = node.parent
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print("unnamed\t%s\tin %s %s, child %d, %d children, %dx%d at %d,%d" % (
            node.getRoleName(), parent.getRoleName() if parent else "-",
            parent.name if parent else "", node.getIndexInParent(), node.childCount,
            extents.width, extents.height, extents.x, extents.y))
    return 1 if found["unnamed"] else 0


if __name__ == "__main__":
    sys.exit(main())
