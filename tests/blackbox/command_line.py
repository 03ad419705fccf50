"""Command line shared by the black-box scripts:
SCRIPT [--runner PROGRAM]... PATH_TO_PBRAIN_RUVEX [unittest options]"""

import os
import sys


def parse(script):
    """Returns (runner words, absolute binary path, unittest argv)."""
    args = sys.argv[1:]
    runner = []
    while len(args) >= 2 and args[0] == "--runner":
        runner.append(args[1])
        args = args[2:]
    if not args:
        sys.exit(f"usage: {script} [--runner PROGRAM]... PATH_TO_PBRAIN_RUVEX")
    return runner, os.path.abspath(args[0]), [sys.argv[0]] + args[1:]
