#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a layer above its own.

Usage: check_layers.py [SRC_DIR]   (default: the src/ beside tools/)

The layers, each allowed to include itself and what its arrow reaches:
  main.cpp -> shell -> search -> eval -> board, and every layer -> platform.
Quoted includes must name their layer ("search/root.h"); system headers in
angle brackets are not looked at.
"""

import os
import re
import sys

ORDER = ["platform", "board", "eval", "search", "shell"]
ALLOWED = {layer: {"platform"} | set(ORDER[1:ORDER.index(layer) + 1]) for layer in ORDER}
ALLOWED["platform"] = {"platform"}
ALLOWED["main"] = {"shell", "platform"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]*)"')


def layer_of(src, path):
    """The layer a file belongs to: its folder under src/, or main for src/ itself."""
    parts = os.path.relpath(path, src).split(os.sep)
    return "main" if len(parts) == 1 else parts[0]


def violations(src):
    """(file, line number, included path, reason) for every include that breaks the order."""
    found = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            layer = layer_of(src, path)
            allowed = ALLOWED.get(layer)
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    included = match.group(1)
                    head = included.split("/")[0]
                    if allowed is None:
                        reason = f"{layer}/ is not a layer"
                    elif ".." in included.split("/") or head not in ORDER:
                        reason = "include must start with its layer"
                    elif head not in allowed:
                        reason = f"{layer} may not include {head}"
                    else:
                        continue
                    found.append((os.path.relpath(path, src), number, included, reason))
    return found


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "src")
    found = violations(src)
    for path, number, included, reason in found:
        print(f"{path}:{number}: #include \"{included}\": {reason}")
    if found:
        return 1
    print(f"layers: every include under {os.path.normpath(src)} points downward")
    return 0


if __name__ == "__main__":
    sys.exit(main())
