"""Terminal modes: watching a game board by board, and a person playing a brain."""

import sys

from .board import BLACK, WHITE, render
from .game import COLOUR_NAMES, Forfeit, Observer, Player, check_move
from .brain import now_ms

MARKS = {BLACK: "X", WHITE: "O"}


class BoardPrinter(Observer):
    """Draws the board after every move (and at the start, when an opening is on it)."""

    def __init__(self, out=None, clear=False):
        self.out = out or sys.stdout
        self.clear = clear

    def _draw(self, record, board, title, last=None, highlight=()):
        if self.clear:
            self.out.write("\x1b[H\x1b[2J")
        self.out.write(title + "\n")
        self.out.write(render(board, last=last, highlight=highlight,
                              names=(record.names[BLACK], record.names[WHITE])) + "\n\n")
        self.out.flush()

    def on_start(self, record, board):
        if board.moves:
            self._draw(record, board, "Opening: %d stones" % len(board.moves),
                       last=board.moves[-1][:2])

    def on_move(self, record, board, x, y, colour, ms):
        self._draw(record, board, "Move %d: %s %s (%s) plays %d,%d in %d ms" % (
            len(board.moves), COLOUR_NAMES[colour], MARKS[colour], record.names[colour], x, y,
            ms), last=(x, y))

    def on_end(self, record, board):
        if record.win_line:
            self._draw(record, board, "Five in a row:", last=board.moves[-1][:2],
                       highlight=record.win_line)
        winner = ""
        if record.winner is not None:
            winner = " - %s (%s) wins" % (COLOUR_NAMES[record.winner], record.names[record.winner])
        self.out.write("Result: %s%s; %s; %d moves\n" % (record.result_text(), winner,
                                                          record.reason_text(), len(record.moves)))
        for colour in (BLACK, WHITE):
            times = record.times(colour)
            if times:
                memory = record.peak_memory_kb[colour]
                self.out.write("  %s %s: %d moves, mean %.0f ms, max %d ms%s%s\n"
                               % (COLOUR_NAMES[colour], record.names[colour], len(times),
                                  sum(times) / len(times), max(times),
                                  ", peak memory %.1f MB" % (memory / 1024.0) if memory else "",
                                  ", killed after END" if record.killed[colour] else ""))
        self.out.flush()


class HumanPlayer(Player):
    """A person at the terminal, typing moves as x,y (0-based, as drawn on the edges)."""

    def __init__(self, name="You", read=None, out=None):
        self.name = name
        self.read = read or (lambda prompt: input(prompt))
        self.out = out or sys.stdout

    def move(self, board, colour, time_left_ms):
        if not board.moves:
            self.out.write(render(board) + "\n")
        while True:
            started = now_ms()
            try:
                text = self.read("Your move as %s (x,y; 'quit' to resign): " % MARKS[colour])
            except (EOFError, KeyboardInterrupt):
                self.out.write("\n")
                raise Forfeit("resign", "the player left the game") from None
            text = text.strip()
            if text.lower() in ("quit", "resign", "q", "exit"):
                raise Forfeit("resign", "the player resigned")
            cell = parse_human_move(text)
            if cell is None:
                self.out.write("Please type a move as two numbers 0-%d joined by a comma, for "
                               "example 9,10.\n" % (board.size - 1))
                continue
            x, y = cell
            try:
                check_move(board, x, y)
            except Forfeit as f:
                if f.kind == "off-board":
                    self.out.write("%d,%d is off the board: both numbers must be 0-%d.\n"
                                   % (x, y, board.size - 1))
                else:
                    self.out.write("%d,%d is already taken; choose an empty cell.\n" % (x, y))
                continue
            return x, y, int(now_ms() - started)


def parse_human_move(text):
    """(x, y) from '9,10', '9 10' or '9, 10'; None when it is not two integers."""
    parts = text.replace(",", " ").split()
    if len(parts) != 2:
        return None
    try:
        return int(parts[0]), int(parts[1])
    except ValueError:
        return None
