"""Line threats for freestyle Gomoku: what a stone on a cell makes in each of the four lines.

Used by the threat reference brain (one-ply move choice) and by the opening generator (an
opening holds no threat for either side).

A line is the 9 cells centred on the cell of interest (offsets -4..4), coded 0 empty,
1 own stone, 2 blocked (opponent stone or off the board); the centre holds the own stone
being judged. Only runs of five through the centre count.
"""

from functools import lru_cache

from .board import EMPTY, DIRECTIONS

NONE, ONE, TWO, OPEN_TWO, THREE, OPEN_THREE, FOUR, OPEN_FOUR, FIVE = range(9)
LEVEL_NAMES = ("none", "one", "two", "open two", "three", "open three", "four", "open four",
               "five")

# Points per line level, and bonuses for the combinations that win by force.
LEVEL_SCORE = (0, 5, 40, 250, 300, 2000, 2500, 100000, 1000000)
DOUBLE_FOUR = 100000
FOUR_THREE = 90000
DOUBLE_THREE = 20000
DEFENCE_WEIGHT = 0.8

_WINDOWS = tuple(range(s, s + 5) for s in range(5))  # every 5-window through index 4


def _five_cells(line):
    """Empty cells that complete a five through the centre."""
    cells = set()
    for window in _WINDOWS:
        values = [line[i] for i in window]
        if 2 in values:
            continue
        empties = [i for i in window if line[i] == 0]
        if len(empties) == 1:
            cells.add(empties[0])
    return cells


@lru_cache(maxsize=None)
def classify(line):
    """The threat level (NONE..FIVE) that the centre stone makes in this line."""
    for window in _WINDOWS:
        if all(line[i] == 1 for i in window):
            return FIVE
    fives = len(_five_cells(line))
    if fives >= 2:
        return OPEN_FOUR
    if fives == 1:
        return FOUR
    room = set()
    for window in _WINDOWS:
        if all(line[i] != 2 for i in window):
            room.update(i for i in window if line[i] == 0)
    if not room:
        return NONE
    best = ONE
    promote = {OPEN_FOUR: OPEN_THREE, FOUR: THREE, OPEN_THREE: OPEN_TWO, THREE: TWO}
    for cell in room:
        grown = list(line)
        grown[cell] = 1
        level = promote.get(classify(tuple(grown)), ONE)
        if level > best:
            best = level
    return best


def line_at(cells, size, x, y, dx, dy, colour):
    """The coded 9-cell line through (x, y) along (dx, dy) for a stone of colour on (x, y)."""
    out = []
    for k in range(-4, 5):
        if k == 0:
            out.append(1)
            continue
        cx, cy = x + k * dx, y + k * dy
        if 0 <= cx < size and 0 <= cy < size:
            value = cells[cx][cy]
            out.append(0 if value == EMPTY else (1 if value == colour else 2))
        else:
            out.append(2)
    return tuple(out)


def levels_at(board, x, y, colour):
    """The four line levels a stone of colour on the empty cell (x, y) would make."""
    return [classify(line_at(board.cells, board.size, x, y, dx, dy, colour))
            for dx, dy in DIRECTIONS]


def score_levels(levels):
    """Points for a set of four line levels, with the bonuses for winning combinations."""
    score = sum(LEVEL_SCORE[level] for level in levels)
    fours = sum(1 for level in levels if level in (FOUR, OPEN_FOUR))
    threes = sum(1 for level in levels if level == OPEN_THREE)
    if FIVE in levels:
        return score
    if OPEN_FOUR not in levels:
        if fours >= 2:
            score += DOUBLE_FOUR
        elif fours == 1 and threes >= 1:
            score += FOUR_THREE
        elif threes >= 2:
            score += DOUBLE_THREE
    return score


def cell_value(board, x, y, colour):
    """What playing (x, y) is worth to colour: own threats plus the weighted opponent
    threats it blocks."""
    attack = score_levels(levels_at(board, x, y, colour))
    defence = score_levels(levels_at(board, x, y, 3 - colour))
    return attack + DEFENCE_WEIGHT * defence


def candidates(board, distance=2):
    """Empty cells within the given Chebyshev distance of a stone, in x-then-y order."""
    size = board.size
    near = set()
    for x, y, _ in board.moves:
        for cx in range(max(0, x - distance), min(size, x + distance + 1)):
            for cy in range(max(0, y - distance), min(size, y + distance + 1)):
                if board.cells[cx][cy] == EMPTY:
                    near.add((cx, cy))
    return sorted(near)


def strongest_threat(board, colour):
    """The highest line level colour could reach with one more stone anywhere near."""
    best = NONE
    for x, y in candidates(board):
        for level in levels_at(board, x, y, colour):
            best = max(best, level)
    return best
