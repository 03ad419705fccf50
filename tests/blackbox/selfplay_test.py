"""Two copies of the real pbrain-ruvex play whole games against each other through pipes,
under the arena's judging. Usage: as protocol_test.py."""

import json
import os
import shlex
import subprocess
import sys
import tempfile
import unittest

import command_line

BINARY = None
RUNNER = []  # words before the binary on its command line
ARENA = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "arena")


def play(*options):
    """Plays one game of the engine against itself; returns the JSON summary."""
    brain = shlex.join(RUNNER + [BINARY])
    with tempfile.TemporaryDirectory(prefix="ruvex-selfplay-") as directory:
        summary = os.path.join(directory, "summary.json")
        result = subprocess.run(
            [sys.executable, ARENA, "match", brain, brain, "-n", "1",
             "--tolerance-ms", "0", "--json", summary, *options],
            capture_output=True, text=True, timeout=600)
        if not os.path.exists(summary):
            raise AssertionError(result.stdout + result.stderr)
        with open(summary) as f:
            return json.load(f)


class SelfPlayTest(unittest.TestCase):
    def test_games(self):
        # The turn limit only, and a 12 s match clock (the short-clock rules and hurry mode).
        for options in (["--seed", "3"], ["--match-ms", "12000", "--seed", "5"]):
            with self.subTest(options=options):
                summary = play("--turn-ms", "1000", *options)
                game = summary["games"][0]
                # Every reply legal and in time: any illegal cell, garbage line, ERROR, late
                # reply or crash would end the game by forfeit instead.
                self.assertEqual(game["forfeits"], [], game)
                self.assertIn(game["reason"], ("five", "full"), game)
                for brain in summary["brains"].values():
                    self.assertGreater(brain["moves"], 0)
                    self.assertLess(brain["max_ms"], 1000)
                    self.assertEqual(brain["killed_after_end"], 0)


if __name__ == "__main__":
    runner, BINARY, argv = command_line.parse("selfplay_test.py")
    RUNNER.extend(runner)
    unittest.main(argv=argv, verbosity=2)
