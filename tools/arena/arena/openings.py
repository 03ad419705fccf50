"""The opening suite: short, balanced openings near the centre, generated from a seed.

An opening of n stones alternates black, white, black, ... starting with black. Rules:
- every stone lies in the central square 7..13 (protocol coordinates; the centre is 10,10),
  the first one in 9..11;
- every later stone is within two cells (Chebyshev distance) of an earlier stone;
- no two stones of the same colour touch along a line (no ready-made connected pair);
- neither side can make a three or better with one more stone anywhere (no threats), so
  the side to move is not forced and nobody is close to a win;
- no two openings of a suite hold the same stones.
The same seed, count and length always give the same suite.
"""

import random

from .board import BLACK, WHITE, Board
from .threats import THREE, strongest_threat

CENTRE_LOW, CENTRE_HIGH = 7, 13
FIRST_LOW, FIRST_HIGH = 9, 11
MAX_TRIES = 200000


def _touching(a, b):
    return max(abs(a[0] - b[0]), abs(a[1] - b[1])) == 1


def _candidate(rng, stones):
    placed = []
    for i in range(stones):
        if i == 0:
            cell = (rng.randint(FIRST_LOW, FIRST_HIGH), rng.randint(FIRST_LOW, FIRST_HIGH))
        else:
            ax, ay = placed[rng.randrange(len(placed))]
            cell = (ax + rng.randint(-2, 2), ay + rng.randint(-2, 2))
            if not (CENTRE_LOW <= cell[0] <= CENTRE_HIGH and CENTRE_LOW <= cell[1] <= CENTRE_HIGH):
                return None
            if cell in placed:
                return None
            if any(_touching(cell, other) for other in placed[i % 2::2]):
                return None
        placed.append(cell)
    return placed


def is_balanced(opening):
    board = Board()
    for i, (x, y) in enumerate(opening):
        board.place(x, y, BLACK if i % 2 == 0 else WHITE)
    if not opening:
        return True
    return strongest_threat(board, BLACK) < THREE and strongest_threat(board, WHITE) < THREE


def make_openings(count, stones=3, seed=1):
    """count distinct openings of the given number of stones (0 gives empty openings)."""
    if stones <= 0:
        return [[] for _ in range(count)]
    rng = random.Random("ruvex-openings:%d:%d" % (seed, stones))
    suite, seen = [], set()
    tries = 0
    while len(suite) < count:
        tries += 1
        if tries > MAX_TRIES:
            raise ValueError("cannot find %d distinct openings of %d stones" % (count, stones))
        opening = _candidate(rng, stones)
        if opening is None:
            continue
        key = (frozenset(opening[0::2]), frozenset(opening[1::2]))
        if key in seen or not is_balanced(opening):
            continue
        seen.add(key)
        suite.append(opening)
    return suite


def schedule(games, stones=3, seed=1):
    """The games of a match: (opening, first_brain_is_black) per game. Each opening is
    played twice, the brains swapping colours; an odd count plays the last one once."""
    openings = make_openings((games + 1) // 2, stones, seed)
    return [(openings[i // 2], i % 2 == 0) for i in range(games)]
