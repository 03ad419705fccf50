"""One game between two players, judged by the arena.

A brain player speaks the Gomocup protocol as tournament managers do:
START 20 (answered OK), ABOUT, INFO timeout_turn / timeout_match / max_memory / game_type /
rule, then before every move INFO time_left and BEGIN, a BOARD block ending in DONE, or
TURN x,y; END at the end.
"""

import re

from . import BOARD_SIZE
from .board import BLACK, WHITE, Board, other
from .brain import BrainIOError, BrainProcess, now_ms

# Ways to lose a game without a five against you.
FORFEIT_KINDS = ("start", "crash", "timeout", "match-time", "garbage", "error", "off-board",
                 "occupied", "resign")

UNLIMITED_TIME_LEFT = 2147483647
COLOUR_NAMES = {BLACK: "black", WHITE: "white"}
_MOVE_RE = re.compile(r"^(-?\d+)\s*,\s*(-?\d+)$")
_ABOUT_FIELD_RE = re.compile(r'(\w+)\s*=\s*"([^"]*)"')


class GameConfig:
    def __init__(self, turn_ms=1000, match_ms=0, tolerance_ms=500, max_memory_mb=350,
                 start_timeout_ms=10000, end_timeout_ms=3000, max_moves=0, game_type=1):
        if turn_ms <= 0:
            raise ValueError("the turn time must be positive")
        self.turn_ms = int(turn_ms)
        self.match_ms = int(match_ms)  # 0: no match clock
        self.tolerance_ms = int(tolerance_ms)
        self.max_memory_mb = int(max_memory_mb)  # sent to the brains; 0: no limit
        self.start_timeout_ms = int(start_timeout_ms)
        self.end_timeout_ms = int(end_timeout_ms)
        self.max_moves = int(max_moves)  # 0: play until five or a full board
        self.game_type = int(game_type)

    def as_dict(self):
        return dict(vars(self))


class Forfeit(Exception):
    def __init__(self, kind, detail):
        super().__init__("%s: %s" % (kind, detail))
        assert kind in FORFEIT_KINDS
        self.kind = kind
        self.detail = detail


def parse_move(reply):
    """(x, y) from a reply line, or raises Forfeit (garbage or error)."""
    text = reply.strip()
    if text.upper().startswith("ERROR"):
        raise Forfeit("error", "brain replied %r" % _clip(text))
    match = _MOVE_RE.match(text)
    if not match:
        raise Forfeit("garbage", "unparsable reply %r" % _clip(text))
    return int(match.group(1)), int(match.group(2))


def check_move(board, x, y):
    """Raises Forfeit when (x, y) cannot be played on the board."""
    if not board.on_board(x, y):
        raise Forfeit("off-board", "move %d,%d is off the board" % (x, y))
    if not board.is_empty(x, y):
        raise Forfeit("occupied", "move %d,%d is on an occupied cell" % (x, y))


def parse_about(reply):
    """The fields of an ABOUT line (name="...", version="...", ...) as a dict."""
    return {key.lower(): value for key, value in _ABOUT_FIELD_RE.findall(reply)}


def _clip(text, limit=60):
    return text if len(text) <= limit else text[:limit] + "..."


class Player:
    """What the game asks of a player. Brains and people implement it."""

    name = "?"
    limits = None  # a GameConfig whose turn_ms and match_ms replace the game's for this player
    peak_memory_kb = 0
    killed = False
    exit_status = None

    def launch(self):
        pass

    def begin(self, config):
        """Start-up work before the first move; raises Forfeit("start", ...)."""

    def move(self, board, colour, time_left_ms):
        """(x, y, ms) for the side to move; raises Forfeit."""
        raise NotImplementedError

    def request_end(self):
        pass

    def wait_end(self, deadline):
        pass


class BrainPlayer(Player):
    """With reuse, one process plays game after game: each game begins with START, and the
    process ends only at close(). A process that fell out of step (a forfeit, a crash) is ended
    and replaced by a fresh one at the next game."""

    def __init__(self, spec, log=None, stderr_path=None, on_message=None, reuse=False):
        self.spec = spec
        self.name = spec.name
        self.about = {}
        self.process = BrainProcess(spec, log=log, stderr_path=stderr_path,
                                    on_message=on_message)
        self.launch_error = None
        self.asked = False
        self.config = None
        self.reuse = reuse
        self.in_step = False  # the last exchange ended with a full answer
        self.exits = []  # reuse: how each process ended

    @property
    def peak_memory_kb(self):
        return self.process.peak_memory_kb

    @property
    def exit_status(self):
        return self.process.exit_status

    def launch(self):
        self.asked = False
        self.launch_error = None
        if self.reuse and self.in_step and self.process.alive():
            self.in_step = False
            self._send_start()
            return
        self.in_step = False
        if self.process.proc is not None:
            old = self.process
            self._end_process(now_ms() + 1000)
            self.process = BrainProcess(old.spec, log=old.log, stderr_path=old.stderr_path,
                                        on_message=old.on_message)
            self.process.peak_memory_kb = old.peak_memory_kb
        try:
            self.process.start()
        except OSError as exc:
            self.launch_error = ("start", "cannot start %s: %s" % (self.spec.argv[0], exc))
            return
        self._send_start()

    def _send_start(self):
        try:
            self.process.send("START %d" % BOARD_SIZE, now_ms() + 1000)
        except BrainIOError as exc:
            kind = "crash" if exc.kind == "eof" else "start"
            self.launch_error = (kind, "START not accepted: %s" % self._io_detail(exc))

    def begin(self, config):
        """Waits for OK to START and an answer to ABOUT, then sends the game's INFO lines."""
        self.config = config
        if self.launch_error:
            raise Forfeit(*self.launch_error)
        deadline = now_ms() + config.start_timeout_ms
        try:
            reply = self.process.read_reply(deadline)
            if reply.upper() != "OK":
                raise Forfeit("start", "START answered %r instead of OK" % _clip(reply))
            self.process.send("ABOUT", deadline)
            reply = self.process.read_reply(deadline)
            self.about = parse_about(reply)
            if self.about.get("name"):
                self.name = self.about["name"]
            self._send("INFO timeout_turn %d" % config.turn_ms)
            self._send("INFO timeout_match %d" % config.match_ms)
            self._send("INFO max_memory %d" % (config.max_memory_mb * 1048576))
            self._send("INFO game_type %d" % config.game_type)
            self._send("INFO rule 0")
        except BrainIOError as exc:
            raise Forfeit("crash" if exc.kind == "eof" else "start",
                          "during start-up: %s" % self._io_detail(exc)) from None
        self.process.sample_memory()
        self.in_step = True

    def _send(self, line):
        self.process.send(line, now_ms() + 1000)

    def _io_detail(self, exc):
        if exc.kind == "eof":
            return "%s (%s)" % (exc.detail, self.process.exit_code_text())
        return exc.detail

    def move(self, board, colour, time_left_ms):
        config = self.config
        self.in_step = False
        try:
            time_left = UNLIMITED_TIME_LEFT if time_left_ms is None else max(0, time_left_ms)
            self._send("INFO time_left %d" % time_left)
            if not board.moves:
                commands = ["BEGIN"]
            elif not self.asked and len(board.moves) == 1:
                commands = ["TURN %d,%d" % board.moves[-1][:2]]
            elif not self.asked:
                commands = ["BOARD"]
                for x, y, stone in board.moves:
                    commands.append("%d,%d,%d" % (x, y, 1 if stone == colour else 2))
                commands.append("DONE")
            else:
                commands = ["TURN %d,%d" % board.moves[-1][:2]]
            for command in commands[:-1]:
                self._send(command)
            self.asked = True
            self.process.send(commands[-1], now_ms() + 1000)
            started = now_ms()
            turn_budget = config.turn_ms
            limited_by_match = time_left_ms is not None and time_left_ms < turn_budget
            budget = min(turn_budget, time_left_ms) if time_left_ms is not None else turn_budget
            deadline = started + max(0, budget) + config.tolerance_ms
            try:
                reply = self.process.read_reply(deadline)
            except BrainIOError as exc:
                if exc.kind == "timeout":
                    kind = "match-time" if limited_by_match else "timeout"
                    raise Forfeit(kind, "no reply within %d ms (+%d ms tolerance)"
                                  % (budget, config.tolerance_ms)) from None
                raise
            spent = now_ms() - started
        except BrainIOError as exc:
            kind = {"eof": "crash", "overlong": "garbage"}.get(exc.kind, "timeout")
            raise Forfeit(kind, self._io_detail(exc)) from None
        finally:
            self.process.sample_memory()
        ms = int(round(spent))
        if ms > config.turn_ms + config.tolerance_ms:
            raise Forfeit("timeout", "reply after %d ms (limit %d + %d ms)"
                          % (ms, config.turn_ms, config.tolerance_ms))
        if time_left_ms is not None and ms > time_left_ms + config.tolerance_ms:
            raise Forfeit("match-time", "reply after %d ms with %d ms of match time left"
                          % (ms, time_left_ms))
        x, y = parse_move(reply)
        check_move(board, x, y)
        self.in_step = True
        return x, y, ms

    def request_end(self):
        self.process.sample_memory()
        if not self.reuse:
            self.process.request_end()

    def wait_end(self, deadline):
        if not self.reuse:
            self.killed = self.process.wait_exit(deadline)

    def close(self, deadline):
        """Reuse: ends the process after the last game; True when it had to be killed."""
        return self._end_process(deadline)

    def _end_process(self, deadline):
        if self.process.proc is None:
            return False
        self.process.request_end()
        killed = self.process.wait_exit(deadline)
        self.exits.append(self.process.exit_status)
        return killed


class GameRecord:
    """Everything the arena keeps about one game."""

    def __init__(self, index, opening, black, white):
        self.index = index
        self.opening = list(opening)
        self.names = {BLACK: black.name, WHITE: white.name}
        self.moves = []  # (x, y, ms, colour); opening stones have ms 0
        self.winner = None  # BLACK, WHITE or None
        self.reason = None  # "five", "full", "move-limit", "forfeit", "aborted"
        self.forfeits = []  # dicts: colour, kind, detail
        self.win_line = []
        self.peak_memory_kb = {BLACK: 0, WHITE: 0}
        self.killed = {BLACK: False, WHITE: False}
        self.exit_status = {BLACK: None, WHITE: None}

    def times(self, colour):
        return [ms for (_, _, ms, c) in self.moves[len(self.opening):] if c == colour]

    def result_text(self):
        if self.reason == "aborted":
            return "aborted"
        if self.winner == BLACK:
            return "1-0"
        if self.winner == WHITE:
            return "0-1"
        return "1/2-1/2"

    def reason_text(self):
        if self.reason == "forfeit":
            f = self.forfeits[0]
            return "%s forfeits: %s (%s)" % (COLOUR_NAMES[f["colour"]], f["kind"], f["detail"])
        if self.reason == "aborted":
            return "; ".join("%s: %s (%s)" % (COLOUR_NAMES[f["colour"]], f["kind"], f["detail"])
                             for f in self.forfeits)
        return {"five": "five in a row", "full": "board full", "move-limit": "move limit"}.get(
            self.reason, self.reason or "")

    def as_dict(self):
        return {
            "index": self.index,
            "opening": [list(cell) for cell in self.opening],
            "black": self.names[BLACK],
            "white": self.names[WHITE],
            "result": self.result_text(),
            "winner": COLOUR_NAMES.get(self.winner),
            "reason": self.reason,
            "forfeits": [dict(f, colour=COLOUR_NAMES[f["colour"]]) for f in self.forfeits],
            "moves": [[x, y, ms] for (x, y, ms, _) in self.moves],
            "win_line": [list(cell) for cell in self.win_line],
            "peak_memory_kb": {COLOUR_NAMES[c]: v for c, v in self.peak_memory_kb.items()},
            "killed_after_end": {COLOUR_NAMES[c]: v for c, v in self.killed.items()},
        }


class Observer:
    """Hooks for display; the default does nothing."""

    def on_start(self, record, board):
        pass

    def on_move(self, record, board, x, y, colour, ms):
        pass

    def on_end(self, record, board):
        pass


def play_game(black, white, opening, config, index=1, observer=None):
    """Plays one game; never raises for anything a player does. Returns a GameRecord."""
    observer = observer or Observer()
    players = {BLACK: black, WHITE: white}
    board = Board()
    record = None
    try:
        for player in (black, white):
            player.launch()
        record = GameRecord(index, opening, black, white)
        configs = {colour: players[colour].limits or config for colour in (BLACK, WHITE)}
        failed = []
        for colour in (BLACK, WHITE):
            try:
                players[colour].begin(configs[colour])
            except Forfeit as f:
                failed.append((colour, f))
        record.names = {BLACK: black.name, WHITE: white.name}
        for colour, f in failed:
            record.forfeits.append({"colour": colour, "kind": f.kind, "detail": f.detail})
        if len(failed) == 2:
            record.reason = "aborted"
            return record
        if failed:
            record.reason = "forfeit"
            record.winner = other(failed[0][0])
            return record

        for i, (x, y) in enumerate(opening):
            colour = BLACK if i % 2 == 0 else WHITE
            board.place(x, y, colour)
            record.moves.append((x, y, 0, colour))
        observer.on_start(record, board)
        used = {BLACK: 0, WHITE: 0}
        colour = BLACK if len(opening) % 2 == 0 else WHITE
        while True:
            if board.full():
                record.reason = "full"
                break
            if config.max_moves and len(board.moves) >= config.max_moves:
                record.reason = "move-limit"
                break
            time_left = None
            if configs[colour].match_ms > 0:
                time_left = configs[colour].match_ms - used[colour]
            try:
                x, y, ms = players[colour].move(board, colour, time_left)
            except Forfeit as f:
                record.forfeits.append({"colour": colour, "kind": f.kind, "detail": f.detail})
                record.reason = "forfeit"
                record.winner = other(colour)
                break
            used[colour] += ms
            board.place(x, y, colour)
            record.moves.append((x, y, ms, colour))
            observer.on_move(record, board, x, y, colour, ms)
            run = board.five_through(x, y)
            if run:
                record.winner = colour
                record.reason = "five"
                record.win_line = run
                break
            colour = other(colour)
        return record
    finally:
        for player in (black, white):
            player.request_end()
        deadline = now_ms() + config.end_timeout_ms
        for player in (black, white):
            player.wait_end(deadline)
        if record is not None:
            for colour, player in players.items():
                record.peak_memory_kb[colour] = player.peak_memory_kb
                record.killed[colour] = player.killed
                record.exit_status[colour] = player.exit_status
            observer.on_end(record, board)
