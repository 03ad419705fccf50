"""Line threat levels and the reference brains' choices, through their protocol."""

import subprocess
import sys
import unittest

from helpers import ref, fast_config, child_pids

from arena.game import BrainPlayer, play_game
from arena.refbrain import RefBrain
from arena.threats import (FIVE, FOUR, NONE, ONE, OPEN_FOUR, OPEN_THREE, OPEN_TWO, THREE, TWO,
                           classify)

E, X, B = 0, 1, 2  # empty, own, blocked


class ClassifyTest(unittest.TestCase):
    def test_levels(self):
        cases = [
            ((E, E, X, X, X, X, X, E, E), FIVE),
            ((X, X, X, X, X, X, E, E, E), FIVE),        # overline
            ((B, E, X, X, X, X, E, B, B), OPEN_FOUR),
            ((B, X, E, X, X, X, E, X, B), OPEN_FOUR),   # two fives through one line
            ((B, B, B, X, X, X, X, E, B), FOUR),
            ((E, E, X, X, X, E, X, E, E), FOUR),        # broken four
            ((B, E, E, X, X, X, E, E, B), OPEN_THREE),
            ((B, E, X, E, X, X, E, E, B), OPEN_THREE),  # broken open three
            ((B, B, E, X, X, X, E, B, B), THREE),       # walls on both sides: no open four
            ((B, B, B, X, X, X, E, E, B), THREE),
            ((B, E, E, E, X, X, E, E, B), OPEN_TWO),
            ((B, B, B, B, X, X, E, E, E), TWO),
            ((B, E, E, E, X, E, E, E, B), ONE),
            ((B, B, B, E, X, E, E, B, B), NONE),        # no room for five
        ]
        for line, level in cases:
            with self.subTest(line=line):
                self.assertEqual(classify(line), level)


def position(own=(), opponent=()):
    brain = RefBrain("threat", seed=5)
    lines = ["BOARD"] + ["%d,%d,1" % c for c in own] + ["%d,%d,2" % c for c in opponent]
    for line in lines:
        self_answers = brain.handle(line)
        assert self_answers == [], self_answers
    return brain


def answer(brain):
    (reply,) = brain.handle("DONE")
    return tuple(int(v) for v in reply.split(","))


class ThreatBrainTest(unittest.TestCase):
    def test_own_five_before_blocking_five(self):
        brain = position(own=[(5, 5), (6, 5), (7, 5), (8, 5), (2, 2)],
                         opponent=[(5, 8), (6, 8), (7, 8), (8, 8), (4, 5)])
        self.assertEqual(answer(brain), (9, 5))

    def test_blocks_a_five(self):
        brain = position(own=[(2, 2), (3, 9), (15, 15)],
                         opponent=[(10, 5), (10, 7), (10, 8), (10, 9)])  # broken four
        self.assertEqual(answer(brain), (10, 6))
        brain = position(own=[(10, 5), (3, 9)], opponent=[(10, 6), (10, 7), (10, 8), (10, 9)])
        self.assertEqual(answer(brain), (10, 10))

    def test_open_four_before_blocking_an_open_three(self):
        brain = position(own=[(5, 12), (6, 12), (7, 12)], opponent=[(12, 3), (12, 4), (12, 5)])
        self.assertIn(answer(brain), [(4, 12), (8, 12)])

    def test_blocks_an_open_three(self):
        brain = position(own=[(2, 17), (17, 2)], opponent=[(9, 9), (10, 10), (11, 11)])
        self.assertIn(answer(brain), [(8, 8), (12, 12)])

    def test_four_three_wins_over_a_plain_four(self):
        # (9,9) makes a four along row 9 and an open three along column 9.
        brain = position(own=[(6, 9), (7, 9), (8, 9), (9, 10), (9, 11), (14, 14)],
                         opponent=[(5, 9), (0, 0), (0, 19), (19, 0), (19, 19), (3, 15)])
        self.assertEqual(answer(brain), (9, 9))

    def test_protocol_and_seed(self):
        script = ref("threat", 3).argv
        text = "START 20\r\nABOUT\r\nBEGIN\r\nTURN 10,11\r\nEND\r\n"
        out = subprocess.run(script, input=text.encode(), capture_output=True, timeout=20)
        lines = out.stdout.decode().split("\r\n")
        self.assertEqual(lines[0], "OK")
        self.assertTrue(lines[1].startswith('name="ArenaThreat"'))
        self.assertEqual(lines[2], "10,10")
        self.assertEqual(out.returncode, 0)
        again = subprocess.run(script, input=text.encode(), capture_output=True, timeout=20)
        self.assertEqual(out.stdout, again.stdout)
        bad = subprocess.run(script, input=b"START 15\r\nFOO\r\nEND\r\n", capture_output=True,
                             timeout=20)
        self.assertEqual(bad.stdout, b"ERROR only the 20x20 board is supported\r\nUNKNOWN\r\n")


class StrengthTest(unittest.TestCase):
    def test_threat_brain_beats_random_brain(self):
        config = fast_config(turn_ms=2000)
        for game, seed in enumerate((1, 2)):
            threat, rnd = BrainPlayer(ref("threat", seed)), BrainPlayer(ref("random", seed))
            black, white = (threat, rnd) if game % 2 == 0 else (rnd, threat)
            record = play_game(black, white, [(9, 9), (10, 10), (11, 9)], config)
            self.assertEqual(record.reason, "five", record.reason_text())
            self.assertEqual(record.names[record.winner], "ArenaThreat")
        self.assertEqual(child_pids(), [])


if __name__ == "__main__":
    unittest.main()
