#!/usr/bin/env python3
"""Fails when a file of src/ includes a header of a higher layer.

The layers, bottom up: core and collections; text and platform; readers;
metadata and outputs; run; cli. A file may include headers of its own layer
and of the layers below it. Usage: layers.py SOURCE_ROOT
"""
import os
import re
import sys

LAYERS = {
    "core": 0, "collections": 0,
    "text": 1, "platform": 1,
    "readers": 2,
    "metadata": 3, "outputs": 3,
    "run": 4,
    "cli": 5,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.MULTILINE)


def upward_includes(src):
    """Yields (file, line number, included header) of every upward include."""
    for folder, _, files in sorted(os.walk(src)):
        top = os.path.relpath(folder, src).split(os.sep)[0]
        if top not in LAYERS:
            continue
        for name in sorted(files):
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for match in INCLUDE.finditer(text):
                layer = match.group(1)
                if LAYERS.get(layer, -1) > LAYERS[top]:
                    line = text.count("\n", 0, match.start()) + 1
                    yield os.path.relpath(path, src), line, match.group(0).strip()


def main():
    src = os.path.join(sys.argv[1] if len(sys.argv) > 1 else ".", "src")
    found = list(upward_includes(src))
    for path, line, include in found:
        print("src/%s:%d: upward include: %s" % (path, line, include))
    unknown = sorted(set(os.listdir(src)) - set(LAYERS))
    for name in unknown:
        if os.path.isdir(os.path.join(src, name)):
            print("src/%s/: a folder in no layer" % name)
            found.append(name)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
