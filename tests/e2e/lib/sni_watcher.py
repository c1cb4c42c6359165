#!/usr/bin/python3
"""A notification area as a desktop panel offers it over D-Bus: a StatusNotifierWatcher with a host.

Usage:
  sni_watcher.py watch LOG     serve org.kde.StatusNotifierWatcher on the session bus; every change
                               of the registered items appends "items N" to LOG
  sni_watcher.py items         print the registered items, one a line
  sni_watcher.py tooltip ITEM  print the item's tooltip title and text
  sni_watcher.py activate ITEM a left click on the item
  sni_watcher.py menu ITEM     print the item's menu, one entry a line ("-" for a separator)
  sni_watcher.py click ITEM LABEL  choose the menu entry LABEL
"""
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_XML = """
<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


def watch(log_path):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    items = {}  # "service/path" -> owner's unique name

    def log():
        with open(log_path, "a") as log_file:
            log_file.write(f"items {len(items)}\n")

    def emit(signal, name):
        bus.emit_signal(None, "/StatusNotifierWatcher", WATCHER, signal, GLib.Variant("(s)", (name,)))

    def call(conn, sender, path, iface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            service = params.unpack()[0]
            # An item names its bus name, or only its object path on the caller's connection.
            key = f"{sender}{service}" if service.startswith("/") else f"{service}/StatusNotifierItem"
            if key not in items:
                items[key] = sender
                log()
                emit("StatusNotifierItemRegistered", key)
        invocation.return_value(None)

    def get(conn, sender, path, iface, prop):
        if prop == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", list(items))
        if prop == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    def owner_changed(conn, sender, path, iface, signal, params):
        name, _old, new = params.unpack()
        if new:
            return
        gone = [key for key, owner in items.items() if name in (owner, key.split("/", 1)[0])]
        for key in gone:
            del items[key]
            emit("StatusNotifierItemUnregistered", key)
        if gone:
            log()

    node = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML)
    bus.register_object("/StatusNotifierWatcher", node.interfaces[0], call, get, None)
    bus.signal_subscribe("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                         "/org/freedesktop/DBus", None, Gio.DBusSignalFlags.NONE, owner_changed)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                   lambda *a: log(), lambda *a: loop.quit())
    loop.run()


def call(dest, path, iface, method, args=None, reply=None):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    return bus.call_sync(dest, path, iface, method, args, reply and GLib.VariantType(reply),
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()


def prop(dest, path, iface, name):
    return call(dest, path, "org.freedesktop.DBus.Properties", "Get",
                GLib.Variant("(ss)", (iface, name)), "(v)")[0]


def split(item):
    service, path = item.split("/", 1)
    return service, "/" + path


def menu_entries(item):
    service, path = split(item)
    menu_path = prop(service, path, ITEM, "Menu")
    layout = call(service, menu_path, MENU, "GetLayout",
                  GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")[1]
    for child in layout[2]:
        entry_id, props, _ = child
        label = "-" if props.get("type") == "separator" else props.get("label", "")
        if props.get("visible", True):
            yield service, menu_path, entry_id, label


def main(argv):
    command = argv[1]
    if command == "watch":
        watch(argv[2])
    elif command == "items":
        for item in prop(WATCHER, "/StatusNotifierWatcher", WATCHER, "RegisteredStatusNotifierItems"):
            print(item)
    elif command == "tooltip":
        _icon, _pixmaps, title, text = prop(*split(argv[2]), ITEM, "ToolTip")
        print(title or text)
    elif command == "activate":
        call(*split(argv[2]), ITEM, "Activate", GLib.Variant("(ii)", (0, 0)))
    elif command == "menu":
        for _service, _path, _id, label in menu_entries(argv[2]):
            print(label)
    elif command == "click":
        for service, menu_path, entry_id, label in menu_entries(argv[2]):
            if label == argv[3]:
                call(service, menu_path, MENU, "Event",
                     GLib.Variant("(isvu)", (entry_id, "clicked", GLib.Variant("s", ""), 0)))
                return 0
        print(f"no menu entry {argv[3]!r}", file=sys.stderr)
        return 1
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
