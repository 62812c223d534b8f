#!/usr/bin/python3
"""Types text that gives no number into a number field of a running
application over AT-SPI, as a screen reader's user would, and reports what
the field tells: its description and states after Return, then after text
that gives a number.

Usage: refused_number.py APPLICATION-NAME [SECONDS [PICTURE]]
Prints "refused\tTEXT\tDESCRIPTION\tSTATES" and "corrected\tTEXT\tDESCRIPTION";
exits 2 when the application or the field never appears, else 0.
"""
import sys
import time

import pyatspi

from unnamed_controls import find_application

RETURN = 0xff0d
FIELD = "Width"


def find_field(node, depth=0):
    if node is None or depth > 80:
        return None
    state = node.getState()
    if not state.contains(pyatspi.STATE_SHOWING):
        return None
    if node.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY) and node.name == FIELD:
        return node
    for i in range(node.childCount):
        found = find_field(node.getChildAtIndex(i), depth + 1)
        if found is not None:
            return found
    return None


def settle(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.1)


def main():
    name = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    app = find_application(name, seconds)
    if app is None:
        print("no application named %s on the accessibility bus" % name)
        return 2
    field = None
    deadline = time.monotonic() + seconds
    while field is None and time.monotonic() < deadline:
        field = find_field(app)
        if field is None:
            time.sleep(0.3)
    if field is None:
        print("no field named %s" % FIELD)
        return 2
    field.queryComponent().grabFocus()
    settle(lambda: field.getState().contains(pyatspi.STATE_FOCUSED))
    field.queryEditableText().setTextContents("abc")
    pyatspi.Registry.generateKeyboardEvent(RETURN, None, pyatspi.KEY_SYM)
    settle(lambda: bool(field.description))
    states = ",".join(sorted(pyatspi.stateToString(s) for s in field.getState().getStates()))
    print("refused\t%s\t%s\t%s" % (field.queryText().getText(0, -1), field.description, states))
    field.queryEditableText().setTextContents("12")
    settle(lambda: not field.description)
    print("corrected\t%s\t%s" % (field.queryText().getText(0, -1), field.description))
    return 0


if __name__ == "__main__":
    sys.exit(main())
