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


def play(*options, games=1, opponent=None):
    """Plays games of the engine against itself (or opponent); returns the JSON summary."""
    brain = shlex.join(RUNNER + [BINARY])
    with tempfile.TemporaryDirectory(prefix="ruvex-selfplay-") as directory:
        summary = os.path.join(directory, "summary.json")
        result = subprocess.run(
            [sys.executable, ARENA, "match", brain, opponent or brain, "-n", str(games),
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

    def test_reused_process_gets_a_fresh_match_clock_every_game(self):
        # One process, START before each of three games: every first searched reply gets
        # a fresh 8 s match clock's 1.2 s, not the rest of the last game's clock.
        summary = play("--turn-ms", "2000", "--match-ms", "8000", "--reuse-process",
                       games=3, opponent=os.path.join(ARENA, "brains", "pbrain-random"))
        firsts = []
        for game in summary["games"]:
            self.assertEqual(game["forfeits"], [], game)
            ours = len(game["opening"]) % 2 == (0 if game["black_brain"] == "A" else 1)
            firsts.append(game["moves"][len(game["opening"]) + (0 if ours else 1)][2])
        self.assertGreater(firsts[0], 900, firsts)
        for ms in firsts[1:]:
            self.assertGreater(ms, 0.75 * firsts[0], firsts)
        self.assertEqual(summary["brains"]["A"]["exits"], {"exit 0": 1})


if __name__ == "__main__":
    runner, BINARY, argv = command_line.parse("selfplay_test.py")
    RUNNER.extend(runner)
    unittest.main(argv=argv, verbosity=2)
