#!/usr/bin/python3
"""What a screen reader reads of the player over AT-SPI (the player runs with accessibility on).

Usage:
  screen_reader.py boxes       print the main window's boxes on show as "role|name|value", in their
                               order; fails when one that a reader announces has no name
  screen_reader.py press NAME  press the box named NAME in any of the player's windows
  screen_reader.py rows        print the names of the playlist's rows, one a line
"""
import sys

import pyatspi


def player():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "vexo-mp":
            return app
    sys.exit("the player is not on the accessibility bus")


def window(title):
    for w in player():
        if w is not None and w.name == title:
            return w
    sys.exit(f'no window "{title}" on the accessibility bus')


def value(box):
    return "%g" % box.queryValue().currentValue if "Value" in box.get_interfaces() else ""


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def boxes():
    unnamed = 0
    for box in window("Vexo MP"):
        if not box.getState().contains(pyatspi.STATE_SHOWING):
            continue
        print(f"{box.getRoleName()}|{box.name}|{value(box)}")
        if not box.name and box.getRole() != pyatspi.ROLE_SEPARATOR:
            unnamed += 1
    if unnamed:
        sys.exit(f"{unnamed} boxes have no name")


def press(name):
    for node in descendants(player()):
        if node.name != name:
            continue
        actions = node.queryAction()
        for i in range(actions.nActions):
            if actions.getName(i) == "Press":
                actions.doAction(i)
                return
    sys.exit(f'nothing named "{name}" can be pressed')


def rows():
    for node in descendants(window("Vexo MP")):
        if node.getRole() == pyatspi.ROLE_LIST_ITEM:
            print(node.name)


if __name__ == "__main__":
    {"boxes": boxes, "press": lambda: press(sys.argv[2]), "rows": rows}[sys.argv[1]]()
