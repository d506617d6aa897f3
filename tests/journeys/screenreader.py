#!/usr/bin/python3
"""What a screen reader finds in a running program, through the AT-SPI bus.

    screenreader.py tree APP            prints the program's tree, one JSON object a line
    screenreader.py do APP NAME ACTION  does a named object's action ("press", "showMenu")

Each object: its path of child indexes, role, name, description, states,
action names, its place on the screen (x, y, width, height) and, for a value,
its current, lowest and highest value.
"""
import json
import sys

import pyatspi


def application(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == name:
            return app
    sys.exit("no application named %r on the accessibility bus" % name)


def walk(node, path=()):
    yield path, node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, path + (i,))


def describe(path, node):
    item = {"path": list(path), "role": node.getRoleName(), "name": node.name,
            "description": node.description,
            "states": sorted(pyatspi.stateToString(s) for s in node.getState().getStates())}
    try:
        action = node.queryAction()
        item["actions"] = [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        item["actions"] = []
    try:
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        item["extents"] = [extents.x, extents.y, extents.width, extents.height]
    except NotImplementedError:
        pass
    try:
        value = node.queryValue()
        item["value"] = [value.currentValue, value.minimumValue, value.maximumValue]
    except NotImplementedError:
        pass
    return item


def main(argv):
    app = application(argv[2])
    if argv[1] == "tree":
        for path, node in walk(app):
            print(json.dumps(describe(path, node), ensure_ascii=False))
        return 0
    if argv[1] == "do":
        for _, node in walk(app):
            if node.name == argv[3]:
                action = node.queryAction()
                for i in range(action.nActions):
                    if action.getName(i) == argv[4]:
                        return 0 if action.doAction(i) else 1
                sys.exit("%r offers no action %r" % (argv[3], argv[4]))
        sys.exit("no object named %r" % argv[3])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
