"""Judging: five or more in a row wins in any of the four directions, anywhere on the board."""

import unittest

import helpers  # noqa: F401  (puts the arena package on the path)
from arena.board import BLACK, WHITE, Board, render


def board_with(cells, colour=BLACK):
    board = Board()
    for x, y in cells:
        board.place(x, y, colour)
    return board


class FiveTest(unittest.TestCase):
    def assert_five(self, cells, expected=True):
        board = board_with(cells)
        for x, y in cells:
            run = board.five_through(x, y)
            if expected:
                self.assertEqual(run, sorted(cells), (x, y))
            else:
                self.assertIsNone(run, (x, y))

    def test_lines_at_edges_and_corners(self):
        self.assert_five([(x, 0) for x in range(5)])              # top edge from the corner
        self.assert_five([(19, y) for y in range(15, 20)])        # right edge to the corner
        self.assert_five([(x, 19) for x in range(7, 12)])         # bottom edge
        self.assert_five([(0, y) for y in range(3, 8)])           # left edge
        self.assert_five([(i, i) for i in range(15, 20)])         # diagonal into (19,19)
        self.assert_five([(i, 19 - i) for i in range(5)])         # anti-diagonal from (0,19)
        self.assert_five([(15 + i, 4 - i) for i in range(5)])     # anti-diagonal into (19,0)

    def test_diagonals_both_ways_in_the_middle(self):
        self.assert_five([(6 + i, 7 + i) for i in range(5)])
        self.assert_five([(6 + i, 12 - i) for i in range(5)])

    def test_overlines_count(self):
        self.assert_five([(x, 9) for x in range(3, 9)])           # six
        self.assert_five([(4 + i, 4 + i) for i in range(7)])      # seven on a diagonal

    def test_four_broken_five_and_mixed_colours_do_not(self):
        self.assert_five([(x, 5) for x in range(4)], expected=False)
        self.assert_five([(0, 0), (1, 1), (2, 2), (3, 3), (5, 5)], expected=False)
        board = board_with([(x, 5) for x in (0, 1, 3, 4)])
        board.place(2, 5, WHITE)
        self.assertIsNone(board.five_through(4, 5))
        self.assertIsNone(board.five_through(2, 5))

    def test_no_wrap_around_the_board(self):
        self.assert_five([(17, 3), (18, 3), (19, 3), (0, 4), (1, 4)], expected=False)
        self.assert_five([(18, 18), (19, 19), (0, 0), (1, 1), (2, 2)], expected=False)

    def test_illegal_placements_are_refused(self):
        board = Board()
        board.place(3, 4, BLACK)
        with self.assertRaises(ValueError):
            board.place(3, 4, WHITE)
        for x, y in ((-1, 0), (20, 0), (0, 20), (5, -2)):
            with self.assertRaises(ValueError):
                board.place(x, y, WHITE)
        self.assertEqual(len(board.moves), 1)

    def test_full(self):
        board = Board()
        for x in range(20):
            for y in range(20):
                self.assertFalse(board.full())
                board.place(x, y, BLACK if (x // 2 + y) % 2 == 0 else WHITE)
        self.assertTrue(board.full())


class RenderTest(unittest.TestCase):
    def test_marks_and_edges(self):
        board = Board()
        board.place(0, 0, BLACK)
        board.place(19, 0, WHITE)
        board.place(10, 11, BLACK)
        lines = render(board, last=(10, 11)).split("\n")
        self.assertEqual(len(lines), 22)
        self.assertEqual(lines[0], lines[21])
        self.assertTrue(lines[0].startswith("     0  1  2"))
        self.assertTrue(lines[0].rstrip().endswith("18 19"))
        self.assertEqual(lines[1], "  0  X " + " . " * 18 + " O  0")
        row = lines[12]
        self.assertTrue(row.startswith(" 11 ") and row.endswith(" 11"))
        self.assertEqual(row[4 + 3 * 10:4 + 3 * 11], "[X]")
        self.assertEqual(row.count("X"), 1)


if __name__ == "__main__":
    unittest.main()
