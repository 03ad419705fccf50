"""The game board as the arena judges it: 20 x 20, freestyle (five or more in a row wins).

Cells are addressed with the protocol's 0-based (x, y); x is the column, y the row.
"""

from . import BOARD_SIZE

EMPTY = 0
BLACK = 1
WHITE = 2

DIRECTIONS = ((1, 0), (0, 1), (1, 1), (1, -1))


def other(colour):
    return WHITE if colour == BLACK else BLACK


class Board:
    def __init__(self, size=BOARD_SIZE):
        self.size = size
        self.cells = [[EMPTY] * size for _ in range(size)]
        self.moves = []  # (x, y, colour) in the order played

    def on_board(self, x, y):
        return 0 <= x < self.size and 0 <= y < self.size

    def get(self, x, y):
        return self.cells[x][y]

    def is_empty(self, x, y):
        return self.cells[x][y] == EMPTY

    def place(self, x, y, colour):
        if not self.on_board(x, y):
            raise ValueError("cell %d,%d is off the board" % (x, y))
        if self.cells[x][y] != EMPTY:
            raise ValueError("cell %d,%d is occupied" % (x, y))
        self.cells[x][y] = colour
        self.moves.append((x, y, colour))

    def full(self):
        return len(self.moves) >= self.size * self.size

    def line_length(self, x, y, dx, dy):
        """Length of the unbroken run of the colour at (x, y) along (dx, dy), both ways."""
        colour = self.cells[x][y]
        if colour == EMPTY:
            return 0
        n = 1
        for sign in (1, -1):
            cx, cy = x + sign * dx, y + sign * dy
            while self.on_board(cx, cy) and self.cells[cx][cy] == colour:
                n += 1
                cx += sign * dx
                cy += sign * dy
        return n

    def five_through(self, x, y):
        """The cells of a run of five or more through (x, y), or None. Overlines count."""
        colour = self.cells[x][y]
        if colour == EMPTY:
            return None
        for dx, dy in DIRECTIONS:
            if self.line_length(x, y, dx, dy) >= 5:
                run = [(x, y)]
                for sign in (1, -1):
                    cx, cy = x + sign * dx, y + sign * dy
                    while self.on_board(cx, cy) and self.cells[cx][cy] == colour:
                        run.append((cx, cy))
                        cx += sign * dx
                        cy += sign * dy
                return sorted(run)
        return None


def render(board, last=None, highlight=(), names=None):
    """The board as text: columns x across the top and bottom, rows y down both sides.

    Black is X, white is O, an empty cell '.'; the last move is bracketed [X], cells of a
    winning run are shown in lower case (x, o).
    """
    size = board.size
    marks = {EMPTY: ".", BLACK: "X", WHITE: "O"}
    highlight = set(highlight)
    header = "    " + "".join("%2d " % x for x in range(size))
    lines = [header]
    for y in range(size):
        row = []
        for x in range(size):
            mark = marks[board.cells[x][y]]
            if (x, y) in highlight:
                mark = mark.lower()
            if last is not None and (x, y) == tuple(last):
                row.append("[%s]" % mark)
            else:
                row.append(" %s " % mark)
        lines.append("%3d %s %d" % (y, "".join(row), y))
    lines.append(header)
    if names:
        lines.append("    X = %s    O = %s" % names)
    return "\n".join(lines)
