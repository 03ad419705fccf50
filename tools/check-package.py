#!/usr/bin/env python3
"""Checks a Ruvex package as a tournament manager would use it.

    tools/check-package.py PACKAGE [--wine PROGRAM]

Unpacks PACKAGE (.zip or .tar.gz) into an empty folder and starts the engine found there, in
that folder (a .exe under the --wine program): START 20 must be answered OK with a MESSAGE that
brain.map was found, BEGIN with a move on the board, and after END the engine must exit with
code 0. Prints the package's files and sizes; exit status 1 when a step fails.
"""

import argparse
import os
import re
import shutil
import sys
import tarfile
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "arena"))
from arena.brain import BrainIOError, BrainProcess, BrainSpec, now_ms  # noqa: E402


def unpack(package, folder):
    if package.endswith(".zip"):
        with zipfile.ZipFile(package) as archive:
            archive.extractall(folder)
    else:
        with tarfile.open(package) as archive:
            archive.extractall(folder, filter="data")


def converse(argv, cwd, seconds):
    """The check's conversation; returns a list of problems (empty when all is well)."""
    messages = []
    process = BrainProcess(BrainSpec(argv, cwd=cwd), on_message=messages.append)
    process.start()
    deadline = now_ms() + seconds * 1000
    problems = []
    try:
        process.send("START 20", deadline)
        reply = process.read_reply(deadline)
        if reply != "OK":
            problems.append("START answered %r" % reply)
        process.send("BEGIN", deadline)
        reply = process.read_reply(deadline)
        move = re.fullmatch(r"(\d+),(\d+)", reply)
        if not move or max(int(move.group(1)), int(move.group(2))) > 19:
            problems.append("BEGIN answered %r, not a move on the board" % reply)
        if not any("brain.map found" in text for text in messages):
            problems.append("no MESSAGE that brain.map was found (messages: %r)" % messages)
        process.send("END", deadline)
    except BrainIOError as exc:
        problems.append("the engine stopped talking: %s (its messages: %r)"
                        % (exc.detail, messages))
    process.wait_exit(deadline)
    if process.exit_status != "exit 0":
        problems.append("the engine ended with %s" % process.exit_status)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[1])
    parser.add_argument("package")
    parser.add_argument("--wine", help="program that runs a .exe (its first start is slow)")
    args = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="ruvex-package-")
    try:
        unpack(args.package, folder)
        files = sorted(os.path.relpath(os.path.join(d, f), folder)
                       for d, _, names in os.walk(folder) for f in names)
        print("%s (%d bytes):" % (args.package, os.path.getsize(args.package)))
        for name in files:
            print("  %-34s %9d bytes" % (name, os.path.getsize(os.path.join(folder, name))))
        engine = next((f for f in files if os.path.basename(f).startswith("pbrain-")), None)
        if engine is None:
            print("FAILED: no pbrain-* program in the package")
            return 1
        path = os.path.join(folder, engine)
        if engine.endswith(".exe") and not args.wine:
            print("skipped: %s needs Wine to run here" % engine)
            return 0
        argv = [args.wine, path] if engine.endswith(".exe") else [path]
        problems = converse(argv, os.path.dirname(path), 120 if args.wine else 20)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for problem in problems:
        print("FAILED: " + problem)
    if not problems:
        print("ok: START answered OK and brain.map found, BEGIN answered with a move, END left "
              "with exit code 0")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
