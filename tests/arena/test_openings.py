"""The opening suite: reproducible from its seed, central, threat-free, distinct, and every
opening played twice with the colours swapped."""

import unittest

import helpers  # noqa: F401
from arena.board import BLACK, WHITE, Board
from arena.openings import make_openings, schedule
from arena.threats import THREE, strongest_threat


class OpeningTest(unittest.TestCase):
    def test_same_seed_same_suite(self):
        self.assertEqual(make_openings(30, 3, seed=7), make_openings(30, 3, seed=7))
        self.assertNotEqual(make_openings(30, 3, seed=7), make_openings(30, 3, seed=8))
        # A longer suite starts with the shorter one.
        self.assertEqual(make_openings(40, 3, seed=7)[:30], make_openings(30, 3, seed=7))

    def test_rules_hold(self):
        for stones in (1, 2, 3, 4, 6):
            suite = make_openings(9 if stones == 1 else 25, stones, seed=3)
            keys = set()
            for opening in suite:
                self.assertEqual(len(opening), stones)
                self.assertEqual(len(set(opening)), stones)
                self.assertTrue(9 <= opening[0][0] <= 11 and 9 <= opening[0][1] <= 11)
                board = Board()
                for i, (x, y) in enumerate(opening):
                    self.assertTrue(7 <= x <= 13 and 7 <= y <= 13, opening)
                    if i:
                        self.assertLessEqual(min(max(abs(x - a), abs(y - b))
                                                 for a, b in opening[:i]), 2)
                    board.place(x, y, BLACK if i % 2 == 0 else WHITE)
                self.assertLess(strongest_threat(board, BLACK), THREE, opening)
                self.assertLess(strongest_threat(board, WHITE), THREE, opening)
                keys.add((frozenset(opening[0::2]), frozenset(opening[1::2])))
            self.assertEqual(len(keys), len(suite))

    def test_empty_openings_and_impossible_requests(self):
        self.assertEqual(make_openings(3, 0), [[], [], []])
        with self.assertRaises(ValueError):
            make_openings(10, 1)  # only nine first cells exist

    def test_schedule_swaps_colours(self):
        games = schedule(5, 3, seed=2)
        suite = make_openings(3, 3, seed=2)
        self.assertEqual([g[0] for g in games], [suite[0], suite[0], suite[1], suite[1],
                                                 suite[2]])
        self.assertEqual([g[1] for g in games], [True, False, True, False, True])


if __name__ == "__main__":
    unittest.main()
