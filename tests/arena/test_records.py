"""The .psq layout byte for byte, and the Elo arithmetic."""

import math
import os
import tempfile
import unittest

import helpers  # noqa: F401
from arena.psq import psq_text, read_psq, write_psq
from arena.stats import elo_from_score, elo_interval, elo_text, json_number


class PsqTest(unittest.TestCase):
    def test_layout(self):
        moves = [(9, 9, 0), (10, 10, 0), (0, 19, 312), (19, 0, 5)]
        expected = (b"Piskvorky 20x20, 11:11, 0\r\n"
                    b"10,10,0\r\n11,11,0\r\n1,20,312\r\n20,1,5\r\n"
                    b"Ruvex\r\nArenaThreat\r\n-1\r\n")
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "g.psq")
            write_psq(path, moves, "Ruvex", "ArenaThreat")
            with open(path, "rb") as handle:
                self.assertEqual(handle.read(), expected)
        self.assertEqual(read_psq(expected.decode()), (moves, ["Ruvex", "ArenaThreat"]))

    def test_names_stay_on_one_line(self):
        text = psq_text([], "a\r\nb", "")
        self.assertEqual(text, "Piskvorky 20x20, 11:11, 0\r\na b\r\n?\r\n-1\r\n")


class EloTest(unittest.TestCase):
    def test_known_values(self):
        self.assertAlmostEqual(elo_from_score(0.75), 190.848501887865, places=9)
        self.assertAlmostEqual(elo_from_score(0.25), -190.848501887865, places=9)
        self.assertEqual(elo_from_score(0.5), 0.0)
        self.assertEqual(elo_text(elo_from_score(0.5)), "+0.0")
        self.assertAlmostEqual(elo_from_score(10 / 11), 400.0, places=9)
        self.assertEqual(elo_text(elo_from_score(0.75)), "+190.8")

    def test_all_wins_and_all_losses_are_infinite(self):
        self.assertEqual(elo_from_score(1.0), math.inf)
        self.assertEqual(elo_from_score(0.0), -math.inf)
        self.assertEqual(elo_text(math.inf), "+inf")
        self.assertEqual(elo_text(-math.inf), "-inf")
        self.assertIsNone(json_number(math.inf))
        elo, low, high = elo_interval(4, 0, 0)
        self.assertEqual((elo, high), (math.inf, math.inf))
        self.assertAlmostEqual(low, 7.0255, places=3)   # Wilson bound for 4 of 4
        elo, low, high = elo_interval(0, 0, 4)
        self.assertEqual((elo, low), (-math.inf, -math.inf))
        self.assertAlmostEqual(high, -7.0255, places=3)

    def test_interval(self):
        # 75 wins, 25 losses: s = 0.75, se = sqrt(0.1875 / 100) = 0.0433013.
        elo, low, high = elo_interval(75, 0, 25)
        self.assertAlmostEqual(elo, 190.8485, places=3)
        se = math.sqrt(0.1875 / 100)
        self.assertAlmostEqual(low, elo_from_score(0.75 - 1.959964 * se), places=3)
        self.assertAlmostEqual(high, elo_from_score(0.75 + 1.959964 * se), places=3)
        self.assertAlmostEqual(low, 119.213, places=2)
        self.assertAlmostEqual(high, 281.516, places=2)
        # Draws count half and narrow the interval.
        elo, low, high = elo_interval(10, 20, 10)
        self.assertEqual(elo, 0.0)
        self.assertAlmostEqual(low, -high, places=9)
        self.assertLess(high, elo_interval(20, 0, 20)[2])
        self.assertIsNone(elo_interval(0, 0, 0))


if __name__ == "__main__":
    unittest.main()
