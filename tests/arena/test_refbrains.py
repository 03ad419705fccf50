"""Line threat levels and the reference brains' choices, through their protocol."""

import subprocess
import unittest

from helpers import ref

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


class ThreatBrainTest(unittest.TestCase):
    def test_choices(self):
        # (own stones, opponent's stones, the cells it may choose)
        cases = [
            ([(5, 5), (6, 5), (7, 5), (8, 5), (2, 2)],  # own five before blocking a five
             [(5, 8), (6, 8), (7, 8), (8, 8), (4, 5)], [(9, 5)]),
            ([(2, 2), (3, 9), (15, 15)], [(10, 5), (10, 7), (10, 8), (10, 9)], [(10, 6)]),
            ([(10, 5), (3, 9)], [(10, 6), (10, 7), (10, 8), (10, 9)], [(10, 10)]),
            ([(5, 12), (6, 12), (7, 12)], [(12, 3), (12, 4), (12, 5)], [(4, 12), (8, 12)]),
            ([(2, 17), (17, 2)], [(9, 9), (10, 10), (11, 11)], [(8, 8), (12, 12)]),
            # (9,9) makes a four along row 9 and an open three along column 9
            ([(6, 9), (7, 9), (8, 9), (9, 10), (9, 11), (14, 14)],
             [(5, 9), (0, 0), (0, 19), (19, 0), (19, 19), (3, 15)], [(9, 9)]),
        ]
        for own, opponent, choices in cases:
            with self.subTest(own=own):
                brain = RefBrain("threat", seed=5)
                lines = ["BOARD"] + ["%d,%d,1" % c for c in own] + ["%d,%d,2" % c for c in opponent]
                self.assertEqual([brain.handle(line) for line in lines], [[]] * len(lines))
                (reply,) = brain.handle("DONE")
                self.assertIn(tuple(int(v) for v in reply.split(",")), choices)

    def test_protocol_and_seed(self):
        text = b"START 20\r\nABOUT\r\nBEGIN\r\nTURN 10,11\r\nSTART 15\r\nFOO\r\nEND\r\n"
        runs = [subprocess.run(ref("threat", 3).argv, input=text, capture_output=True, timeout=20)
                for _ in range(2)]
        lines = runs[0].stdout.split(b"\r\n")
        self.assertEqual((lines[0], lines[1][:18], lines[2], lines[4:], runs[0].returncode),
                         (b"OK", b'name="ArenaThreat"', b"10,10", [
                             b"ERROR only the 20x20 board is supported", b"UNKNOWN", b""], 0))
        self.assertEqual(runs[1].stdout, runs[0].stdout)  # the same seed plays the same game


if __name__ == "__main__":
    unittest.main()
