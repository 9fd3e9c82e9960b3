#!/usr/bin/python3
# Waits until a window of a running Qt program shows a text, read through the
# accessibility bus (AT-SPI) as a screen reader would read it.
#   accessible_text.py APPLICATION TEXT TIMEOUT_SECONDS
# Exits 0 once an object of APPLICATION is named TEXT or its text holds TEXT;
# 1 when TIMEOUT_SECONDS pass first (the texts seen are printed).
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

application, wanted, timeout = sys.argv[1], sys.argv[2], float(sys.argv[3])


def texts(node, depth=0):
    # Bounded walk: a broken tree must not keep the test running.
    if node is None or depth > 40:
        return
    try:
        yield node.get_name() or "", False
        if "Text" in node.get_interfaces():
            yield Atspi.Text.get_text(node, 0, -1), True
        for index in range(node.get_child_count()):
            yield from texts(node.get_child_at_index(index), depth + 1)
    except gi.repository.GLib.Error:
        return


seen = set()
deadline = time.monotonic() + timeout
while time.monotonic() < deadline:
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is None or app.get_name() != application:
            continue
        for text, isText in texts(app):
            if text == wanted or (isText and wanted in text):
                sys.exit(0)
            seen.add(text)
    time.sleep(0.3)
print(f"no '{wanted}' in {application}; seen: {sorted(t for t in seen if t)}", file=sys.stderr)
sys.exit(1)
