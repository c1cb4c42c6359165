#!/usr/bin/python3
"""Drops files on a window as a file manager does, by the X drag-and-drop protocol (XDND).

Usage: xdnd_drop.py WINDOW ROOT-X ROOT-Y PATH...

Enters the window WINDOW at the screen point (ROOT-X, ROOT-Y), drops when the window accepts, hands
over the paths as a text/uri-list when asked and prints, one a line, what happened: "accepted"
(or "refused"), "dropped", "finished" once the window says it is done with the drop. Ends after
"finished", or fails after 60 s without it; until then it serves the data as a drag source must.
"""
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display
from Xlib.protocol import event

XDND_VERSION = 5


def say(what):
    print(what, flush=True)


def main():
    target_id, root_x, root_y = int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3])
    uris = "".join("file://%s\r\n" % urllib.parse.quote(p) for p in sys.argv[4:]).encode()
    d = display.Display()
    atom = lambda name: d.intern_atom(name)
    uri_list, targets = atom("text/uri-list"), atom("TARGETS")
    selection = atom("XdndSelection")
    source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent,
                                           event_mask=X.PropertyChangeMask)
    target = d.create_resource_object("window", target_id)

    # A server time for the selection and the drop: the moment of a change to our own window.
    source.change_property(atom("VEXO_DRAG_TIME"), Xatom.STRING, 8, b"t")
    d.flush()
    while True:
        e = d.next_event()
        if e.type == X.PropertyNotify:
            now = e.time
            break
    source.set_selection_owner(selection, now)

    def send(kind, data):
        message = event.ClientMessage(window=target, client_type=atom(kind),
                                      data=(32, [source.id] + data + [0] * (4 - len(data))))
        target.send_event(message)
        d.flush()

    send("XdndEnter", [XDND_VERSION << 24, uri_list, 0, 0])
    send("XdndPosition", [0, (root_x << 16) | root_y, now, atom("XdndActionCopy")])
    deadline = time.monotonic() + 60
    dropped = False
    while time.monotonic() < deadline:
        if not d.pending_events():
            time.sleep(0.01)
            continue
        e = d.next_event()
        if e.type == X.ClientMessage and e.client_type == atom("XdndStatus"):
            if dropped:
                continue
            if not e.data[1][1] & 1:
                say("refused")
                send("XdndLeave", [])
                return 1
            say("accepted")
            send("XdndDrop", [0, now])
            dropped = True
            say("dropped")
        elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
            say("finished")
            return 0
        elif e.type == X.SelectionRequest:
            prop = e.property or e.target
            if e.target == uri_list:
                e.requestor.change_property(prop, uri_list, 8, uris)
            elif e.target == targets:
                e.requestor.change_property(prop, Xatom.ATOM, 32, [targets, uri_list])
            else:
                prop = X.NONE
            e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor,
                                                         selection=e.selection, target=e.target,
                                                         property=prop))
            d.flush()
    say("no finish within 60 s")
    return 1


if __name__ == "__main__":
    sys.exit(main())
