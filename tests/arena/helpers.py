"""Shared helpers for the arena tests: paths, brain specs for fakes and reference brains."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
ARENA_DIR = os.path.join(ROOT, "tools", "arena")
if ARENA_DIR not in sys.path:
    sys.path.insert(0, ARENA_DIR)

from arena.brain import BrainSpec  # noqa: E402
from arena.game import GameConfig  # noqa: E402

FAKE = os.path.join(HERE, "fakes", "fake_brain.py")
BRAINS = os.path.join(ARENA_DIR, "brains")


def fake(mode, *extra):
    return BrainSpec([sys.executable, FAKE, mode] + [str(e) for e in extra])


def ref(kind, seed=1):
    return BrainSpec([sys.executable, os.path.join(BRAINS, "pbrain-" + kind), "--seed",
                      str(seed)], cwd=BRAINS)


def fast_config(**overrides):
    values = dict(turn_ms=500, tolerance_ms=250, start_timeout_ms=3000, end_timeout_ms=500)
    values.update(overrides)
    return GameConfig(**values)


def child_pids():
    """PIDs of this process's children, zombies included (from /proc)."""
    pids = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as handle:
                if int(handle.read().rsplit(")", 1)[1].split()[1]) == os.getpid():
                    pids.append(int(entry))
        except OSError:
            pass
    return pids
