"""Reference brains for tests and strength checks, speaking the Gomocup protocol.

- random: a random empty cell next to a stone (the centre on an empty board).
- threat: one-ply threat heuristic. Every empty cell within two of a stone is scored by the
  threats a stone there makes for the brain (five, open four, four-three, double four, double
  open three, four, open three, three, twos) plus 0.8 times the threats it takes away from
  the opponent, so the order of play is: own five, block a five, own open four or double
  four, own four-three, block an open three (or a four-three), own double three, ...
  Equal scores are broken by a seeded random choice.

Both take --seed N (otherwise they seed from the system's randomness).
"""

import argparse
import random
import sys

from . import BOARD_SIZE
from .board import BLACK, WHITE, Board
from .threats import candidates, cell_value

OWN, OPPONENT = BLACK, WHITE
CENTRE = (BOARD_SIZE // 2, BOARD_SIZE // 2)
ABOUT = {
    "random": 'name="ArenaRandom", version="1.0", author="Ruvex arena", country="Castria"',
    "threat": 'name="ArenaThreat", version="1.0", author="Ruvex arena", country="Castria"',
}


def choose_random(board, rng):
    if not board.moves:
        return CENTRE
    cells = candidates(board, distance=1)
    if not cells:
        cells = [(x, y) for x in range(board.size) for y in range(board.size)
                 if board.is_empty(x, y)]
    return rng.choice(cells)


def choose_threat(board, rng):
    if not board.moves:
        return CENTRE
    cells = candidates(board, distance=2)
    if not cells:
        return choose_random(board, rng)
    best, best_cells = None, []
    for x, y in cells:
        value = cell_value(board, x, y, OWN)
        if best is None or value > best + 1e-9:
            best, best_cells = value, [(x, y)]
        elif abs(value - best) <= 1e-9:
            best_cells.append((x, y))
    return rng.choice(best_cells)


class RefBrain:
    def __init__(self, kind, seed=None):
        self.kind = kind
        self.rng = random.Random(seed)
        self.choose = choose_threat if kind == "threat" else choose_random
        self.board = Board()
        self.in_board_block = False

    def handle(self, line):
        """The answer lines for one command line."""
        text = line.strip()
        if self.in_board_block:
            if text.upper() == "DONE":
                self.in_board_block = False
                return [self.play()]
            parts = text.split(",")
            try:
                x, y, who = (int(p) for p in parts)
                self.board.place(x, y, OWN if who == 1 else OPPONENT)
            except ValueError:
                return ["ERROR bad board line"]
            return []
        words = text.split()
        if not words:
            return []
        command = words[0].upper()
        if command in ("START", "RESTART"):
            size = int(words[1]) if len(words) > 1 and words[1].isdigit() else BOARD_SIZE
            if command == "START" and size != BOARD_SIZE:
                return ["ERROR only the %dx%d board is supported" % (BOARD_SIZE, BOARD_SIZE)]
            self.board = Board()
            return ["OK"]
        if command == "BEGIN":
            return [self.play()]
        if command == "TURN":
            try:
                x, y = (int(p) for p in words[1].split(","))
                self.board.place(x, y, OPPONENT)
            except (IndexError, ValueError):
                return ["ERROR bad move"]
            return [self.play()]
        if command == "BOARD":
            self.board = Board()
            self.in_board_block = True
            return []
        if command == "INFO":
            return []
        if command == "ABOUT":
            return [ABOUT[self.kind]]
        if command == "END":
            raise SystemExit(0)
        return ["UNKNOWN"]

    def play(self):
        x, y = self.choose(self.board, self.rng)
        self.board.place(x, y, OWN)
        return "%d,%d" % (x, y)


def main(kind, argv=None):
    parser = argparse.ArgumentParser(description="Ruvex arena reference brain (%s)" % kind)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args(argv)
    brain = RefBrain(kind, args.seed)
    for line in sys.stdin:
        for answer in brain.handle(line):
            sys.stdout.write(answer + "\r\n")
            sys.stdout.flush()
    return 0
