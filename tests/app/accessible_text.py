#!/usr/bin/python3
# Waits until a window of a running Qt program shows a text, read through the
# accessibility bus (AT-SPI) as a screen reader would read it.
#   accessible_text.py APPLICATION TEXT TIMEOUT_SECONDS [--where] [--role ROLE]
# Exits 0 once an object of APPLICATION is named TEXT or its text holds TEXT;
# 1 when TIMEOUT_SECONDS pass first (the texts seen are printed). With
# --where, the object must be named TEXT, and the screen position of its
# centre is printed ("X Y"), for a real click there. With --role, only
# objects of that role count (e.g. "text": an edit box, not a label).
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

application, wanted, timeout = sys.argv[1], sys.argv[2], float(sys.argv[3])
where = "--where" in sys.argv[4:]
role = sys.argv[sys.argv.index("--role") + 1] if "--role" in sys.argv[4:] else None


def objects(node, depth=0):
    # Bounded walk: a broken tree must not keep the test running.
    if node is None or depth > 40:
        return
    try:
        yield node
        for index in range(node.get_child_count()):
            yield from objects(node.get_child_at_index(index), depth + 1)
    except gi.repository.GLib.Error:
        return


def shows(node):
    if role is not None and node.get_role_name() != role:
        return False
    name = node.get_name() or ""
    if name == wanted:
        return True
    if where or "Text" not in node.get_interfaces():
        return False
    return wanted in Atspi.Text.get_text(node, 0, -1)


seen = set()
deadline = time.monotonic() + timeout
while time.monotonic() < deadline:
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is None or app.get_name() != application:
            continue
        for node in objects(app):
            try:
                if shows(node) and (not where or node.get_state_set().contains(Atspi.StateType.SHOWING)):
                    if where:
                        box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
                        print(box.x + box.width // 2, box.y + box.height // 2)
                    sys.exit(0)
                seen.add(node.get_name() or "")
            except gi.repository.GLib.Error:
                continue
    time.sleep(0.3)
print(f"no '{wanted}' in {application}; seen: {sorted(t for t in seen if t)}", file=sys.stderr)
sys.exit(1)
