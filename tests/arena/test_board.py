"""Judging and records: five or more in a row in any direction, the .psq layout byte for byte,
the Elo arithmetic, the opening suite, line threat levels and the reference brain's choices."""

import math
import pathlib
import subprocess
import tempfile
import unittest

from helpers import ref

from arena.board import BLACK, WHITE, Board, render
from arena.openings import make_openings, schedule
from arena.psq import psq_text, read_psq, write_psq
from arena.refbrain import RefBrain
from arena.stats import elo_from_score, elo_interval, elo_text
from arena.threats import (FIVE, FOUR, NONE, ONE, OPEN_FOUR, OPEN_THREE, OPEN_TWO, THREE, TWO,
                           classify, strongest_threat)


class BoardTest(unittest.TestCase):
    def test_five_through_every_stone(self):
        # (black stones, a white stone, five): edges, corners, diagonals, overlines, no wrap
        cases = [
            ([(x, 0) for x in range(5)], None, True),
            ([(19, y) for y in range(15, 20)], None, True),
            ([(i, i) for i in range(15, 20)], None, True),
            ([(i, 19 - i) for i in range(5)], None, True),
            ([(15 + i, 4 - i) for i in range(5)], None, True),
            ([(6 + i, 7 + i) for i in range(5)], None, True),
            ([(x, 9) for x in range(3, 9)], None, True),
            ([(4 + i, 4 + i) for i in range(7)], None, True),
            ([(x, 5) for x in range(4)], None, False),
            ([(0, 0), (1, 1), (2, 2), (3, 3), (5, 5)], None, False),
            ([(x, 5) for x in (0, 1, 3, 4)], (2, 5), False),
            ([(17, 3), (18, 3), (19, 3), (0, 4), (1, 4)], None, False),
            ([(18, 18), (19, 19), (0, 0), (1, 1), (2, 2)], None, False),
        ]
        for cells, white, five in cases:
            board = Board()
            for x, y in cells:
                board.place(x, y, BLACK)
            if white:
                board.place(*white, WHITE)
            for x, y in cells:
                self.assertEqual(board.five_through(x, y), sorted(cells) if five else None,
                                 (cells, x, y))

    def test_illegal_placements_are_refused(self):  # (a full board: the pattern game)
        board = Board()
        board.place(3, 4, BLACK)
        for x, y in ((3, 4), (-1, 0), (20, 0), (0, 20), (5, -2)):
            self.assertRaises(ValueError, board.place, x, y, WHITE)
        self.assertEqual(board.moves, [(3, 4, BLACK)])

    def test_render_puts_x_across_and_y_down(self):
        board = Board()
        board.place(10, 11, BLACK)
        self.assertEqual(render(board, last=(10, 11)).split("\n")[12],
                         " 11 " + " . " * 10 + "[X]" + " . " * 9 + " 11")


class RecordTest(unittest.TestCase):
    def test_psq_layout(self):
        moves = [(9, 9, 0), (10, 10, 0), (0, 19, 312), (19, 0, 5)]
        expected = (b"Piskvorky 20x20, 11:11, 0\r\n10,10,0\r\n11,11,0\r\n1,20,312\r\n20,1,5\r\n"
                    b"Ruvex\r\nArenaThreat\r\n-1\r\n")
        with tempfile.TemporaryDirectory() as tmp:
            write_psq(pathlib.Path(tmp, "g.psq"), moves, "Ruvex", "ArenaThreat")
            self.assertEqual(pathlib.Path(tmp, "g.psq").read_bytes(), expected)
        self.assertEqual(read_psq(expected.decode()), (moves, ["Ruvex", "ArenaThreat"]))
        self.assertEqual(psq_text([], "a\r\nb", ""),
                         "Piskvorky 20x20, 11:11, 0\r\na b\r\n?\r\n-1\r\n")

    def test_elo(self):
        # (wins, draws, losses, Elo, low, high); 75-25: se = sqrt(0.1875 / 100)
        cases = [
            (75, 0, 25, 190.8485, 119.213, 281.516),
            (10, 0, 1, 400.0, None, None),
            (4, 0, 0, math.inf, 7.0255, math.inf),  # Wilson bound for 4 of 4
            (0, 0, 4, -math.inf, -math.inf, -7.0255),
            (10, 20, 10, 0.0, -77.389, 77.389),  # draws count half and narrow the interval
            (20, 0, 20, 0.0, -111.329, 111.329),
        ]
        for wins, draws, losses, *expected in cases:
            got = elo_interval(wins, draws, losses)
            for value, want in zip(got, expected):
                if want is not None:
                    self.assertAlmostEqual(value, want, places=2, msg=(wins, draws, losses))
        self.assertIsNone(elo_interval(0, 0, 0))
        self.assertEqual([elo_text(v) for v in (elo_from_score(0.75), 0.0, math.inf, -math.inf)],
                         ["+190.8", "+0.0", "+inf", "-inf"])


class OpeningTest(unittest.TestCase):
    def test_suite(self):
        self.assertEqual(make_openings(30, 3, seed=7), make_openings(40, 3, seed=7)[:30])
        self.assertNotEqual(make_openings(30, 3, seed=7), make_openings(30, 3, seed=8))
        self.assertEqual(make_openings(3, 0), [[], [], []])
        self.assertRaises(ValueError, make_openings, 10, 1)  # only nine first cells exist
        for stones in (1, 2, 3, 4, 6):
            suite = make_openings(9 if stones == 1 else 25, stones, seed=3)
            keys = {(frozenset(o[0::2]), frozenset(o[1::2])) for o in suite}
            self.assertEqual((len(keys), {len(set(o)) for o in suite}), (len(suite), {stones}))
            for opening in suite:
                self.assertTrue(9 <= opening[0][0] <= 11 and 9 <= opening[0][1] <= 11)
                board = Board()
                for i, (x, y) in enumerate(opening):
                    self.assertTrue(7 <= x <= 13 and 7 <= y <= 13, opening)
                    self.assertLessEqual(min([max(abs(x - a), abs(y - b))
                                              for a, b in opening[:i]] or [0]), 2)
                    board.place(x, y, BLACK if i % 2 == 0 else WHITE)
                self.assertLess(max(strongest_threat(board, c) for c in (BLACK, WHITE)), THREE)
        games = schedule(5, 3, seed=2)
        suite = make_openings(3, 3, seed=2)
        self.assertEqual(games, [(suite[0], True), (suite[0], False), (suite[1], True),
                                 (suite[1], False), (suite[2], True)])


E, X, B = 0, 1, 2  # empty, own, blocked


class ThreatTest(unittest.TestCase):
    def test_line_levels(self):
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

    def test_threat_brain_choices(self):
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
