"""A board in the browser: `python3 tools/arena serve [BRAIN ...]`.

One page (arena/web/) served on 127.0.0.1 only: play a brain, watch two brains, replay a .psq
record. Games run in a thread each through play_game, so brains are judged as in matches. The
page talks JSON to this server:

  GET  /api/state?since=V&wait=S  the brains offered and the current game; waits up to S
                                  seconds (at most 20) while the state's version is still V
  POST /api/new    {"mode": "play", "brain": i, "colour": "black"|"white", "turn_ms": n}
                   {"mode": "watch", "black": i, "white": j, "turn_ms": n}
  POST /api/move   {"game": id, "x": x, "y": y}    the person's move
  POST /api/undo   {"game": id}                    takes back the person's last move and the
                                                   reply to it (brains restart from BOARD)
  POST /api/psq    {"text": "..."}                 a .psq record checked move by move

A bad request is answered {"error": "..."} (400 malformed, 403 foreign host or origin, 404 no
such file, 409 not possible now, 413 too large) and changes nothing.
"""

import json
import os
import queue
import signal
import threading
import webbrowser
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from . import BOARD_SIZE
from .board import BLACK, WHITE, Board, other
from .brain import BrainSpec, now_ms
from .game import COLOUR_NAMES, BrainPlayer, GameConfig, Observer, Player, play_game
from .psq import read_psq

WEB_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "web")
STATIC = {"/": ("index.html", "text/html"), "/board.js": ("board.js", "text/javascript"),
          "/board.css": ("board.css", "text/css")}
COLOURS = {"black": BLACK, "white": WHITE}
MAX_BODY = 1 << 20
MAX_TURN_MS = 600000
KEPT_MESSAGES = 200
REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))))


class RequestError(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status
        self.message = message


class Cancelled(Exception):
    """The page started another game: this one stops, its brains are ended."""


class Undo(Exception):
    """The person took a move pair back: the game restarts from the shorter position."""


def default_brains():
    """The built engine when there is one, then the reference brains."""
    paths = [os.path.join(REPO, "build", "release", "bin", "pbrain-ruvex")]
    paths = [p for p in paths if os.path.isfile(p)]
    brains = os.path.join(os.path.dirname(WEB_DIR), "..", "brains")
    paths += [os.path.join(brains, "pbrain-threat"), os.path.join(brains, "pbrain-random")]
    return [BrainSpec.parse(p) for p in paths]


def label(spec):
    """The brain as the page lists it: its name and its arguments."""
    words = spec.argv[1:]
    if os.path.basename(spec.argv[0]).startswith("python"):
        scripts = [i for i, word in enumerate(words) if not word.startswith("-")]
        words = words[scripts[0] + 1:] if scripts else []
    return " ".join([spec.name] + words)


class WebPerson(Player):
    """The person at the page: a move arrives as a click through the session's inbox."""

    name = "You"

    def __init__(self, session):
        self.session = session

    def move(self, board, colour, time_left_ms):
        started = self.session.turn(colour, person=True)
        item = self.session.inbox.get()
        if item == "undo":
            raise Undo()
        if item == "cancel":
            raise Cancelled()
        return item[0], item[1], int(now_ms() - started)


class WebBrain(BrainPlayer):
    def __init__(self, session, spec, colour):
        super().__init__(spec, on_message=lambda text: session.message(colour, text))
        self.session = session

    def move(self, board, colour, time_left_ms):
        self.session.turn(colour)
        return super().move(board, colour, time_left_ms)


class Session(Observer):
    """One game on the page, played in a thread of its own."""

    def __init__(self, hub, ident, mode, specs, config, opening):
        self.hub, self.cond = hub, hub.cond
        self.id, self.mode, self.specs, self.config = ident, mode, specs, config
        self.moves = [(x, y, 0, BLACK if i % 2 == 0 else WHITE) for i, (x, y) in
                      enumerate(opening)]
        self.opening_stones = len(opening)
        self.names = {c: ("You" if s is None else s.name) for c, s in specs.items()}
        self.person = next((c for c, s in specs.items() if s is None), None)
        self.messages, self.result, self.status = [], None, "starting"
        self.to_move, self.turn_started, self.waiting = None, now_ms(), False
        self.inbox, self.players, self.cancelled = queue.Queue(), {}, False
        self.thread = threading.Thread(target=self.run, daemon=True)

    # -- the game thread ------------------------------------------------------------------

    def run(self):
        while True:
            players = {c: WebPerson(self) if s is None else WebBrain(self, s, c)
                       for c, s in self.specs.items()}
            with self.cond:
                if self.cancelled:
                    return
                self.players = players
            opening = [(x, y) for x, y, _, _ in self.moves]
            try:
                record = play_game(players[BLACK], players[WHITE], opening, self.config,
                                   observer=self)
            except Undo:
                continue
            except Cancelled:
                return
            with self.cond:
                if self.cancelled:
                    return
                self.finish(record)
            if self.inbox.get() != "undo":
                return

    def turn(self, colour, person=False):
        with self.cond:
            if self.cancelled:
                raise Cancelled()
            self.status, self.to_move, self.waiting = "playing", colour, person
            self.turn_started = now_ms()
            self.hub.changed()
            return self.turn_started

    def on_start(self, record, board):
        with self.cond:
            self.names = dict(record.names)
            self.hub.changed()

    def on_move(self, record, board, x, y, colour, ms):
        with self.cond:
            self.moves.append((x, y, ms, colour))
            self.to_move = None
            self.hub.changed()

    def message(self, colour, text):
        with self.cond:
            self.messages.append({"colour": COLOUR_NAMES[colour], "text": text})
            del self.messages[:-KEPT_MESSAGES]
            self.hub.changed()

    def finish(self, record):
        self.names = dict(record.names)
        if record.winner is not None:
            text = "%s (%s) wins: %s" % (COLOUR_NAMES[record.winner].capitalize(),
                                         record.names[record.winner], record.reason_text())
        elif record.reason == "aborted":
            text = "No game: %s" % record.reason_text()
        else:
            text = "Draw: %s" % record.reason_text()
        self.result = {"winner": COLOUR_NAMES.get(record.winner), "reason": record.reason,
                       "text": text, "win_line": [list(c) for c in record.win_line],
                       "forfeits": [dict(f, colour=COLOUR_NAMES[f["colour"]])
                                    for f in record.forfeits]}
        self.status, self.to_move, self.waiting = "over", None, False
        self.hub.changed()

    # -- requests (called with the lock held) ---------------------------------------------

    def play(self, x, y):
        if self.person is None:
            raise RequestError(409, "no person plays in this game: two brains are playing")
        if self.status == "over":
            raise RequestError(409, "the game is over")
        if not self.waiting:
            raise RequestError(409, "it is not your turn: the brain is %s"
                               % ("starting" if self.status == "starting" else "thinking"))
        if any((x, y) == (mx, my) for mx, my, _, _ in self.moves):
            raise RequestError(409, "cell %d,%d is occupied" % (x, y))
        self.waiting = False
        count = len(self.moves)
        self.inbox.put((x, y))
        self.cond.wait_for(lambda: len(self.moves) > count or self.cancelled, timeout=5)

    def undo(self):
        if self.person is None:
            raise RequestError(409, "no person plays in this game: nothing to undo")
        if not (self.waiting or self.status == "over"):
            raise RequestError(409, "wait for the brain's move before undoing")
        played = [i for i, m in enumerate(self.moves)
                  if m[3] == self.person and i >= self.opening_stones]
        if not played:
            raise RequestError(409, "nothing to undo: you have not moved yet")
        del self.moves[played[-1]:]
        self.result, self.status, self.to_move, self.waiting = None, "starting", None, False
        self.inbox.put("undo")
        self.hub.changed()

    def cancel(self):
        self.cancelled = True
        self.inbox.put("cancel")
        for player in self.players.values():
            if isinstance(player, BrainPlayer):
                player.process.kill()

    def as_dict(self):
        used = {name: sum(m[2] for m in self.moves if m[3] == c) for name, c in COLOURS.items()}
        return {
            "id": self.id, "mode": self.mode, "status": self.status,
            "names": {COLOUR_NAMES[c]: n for c, n in self.names.items()},
            "person": COLOUR_NAMES.get(self.person), "turn_ms": self.config.turn_ms,
            "moves": [[x, y, ms] for x, y, ms, _ in self.moves],
            "to_move": COLOUR_NAMES.get(self.to_move), "waiting": self.waiting,
            "thinking_ms": int(now_ms() - self.turn_started) if self.to_move else 0,
            "used_ms": used, "messages": self.messages, "result": self.result,
        }


class Hub:
    """The server's state: the brains on offer and the one game the page shows."""

    def __init__(self, specs, config, opening):
        self.specs, self.config, self.opening = specs, config, list(opening)
        self.cond = threading.Condition()
        self.version, self.games, self.session, self.closing = 0, 0, None, False

    def changed(self):
        self.version += 1
        self.cond.notify_all()

    def state(self, since=None, wait=0.0):
        with self.cond:
            if since is not None:
                self.cond.wait_for(lambda: self.version != since or self.closing,
                                   timeout=min(max(wait, 0.0), 20.0))
            return {"version": self.version, "brains": [label(s) for s in self.specs],
                    "turn_ms": self.config.turn_ms,
                    "game": self.session.as_dict() if self.session else None}

    def new_game(self, request):
        mode = request.get("mode")
        turn_ms = _int(request, "turn_ms", 1, MAX_TURN_MS)
        if mode == "play":
            brain = self._brain(request, "brain")
            colour = request.get("colour")
            if colour not in COLOURS:
                raise RequestError(400, "colour must be \"black\" or \"white\"")
            specs = {COLOURS[colour]: None, other(COLOURS[colour]): brain}
        elif mode == "watch":
            specs = {BLACK: self._brain(request, "black"), WHITE: self._brain(request, "white")}
        else:
            raise RequestError(400, "mode must be \"play\" or \"watch\"")
        config = GameConfig(**dict(self.config.as_dict(), turn_ms=turn_ms,
                                   game_type=0 if mode == "play" else 1))
        with self.cond:
            self.games += 1
            old, self.session = self.session, Session(self, self.games, mode, specs, config,
                                                     self.opening)
            if old:
                old.cancel()
            self.session.thread.start()
            self.changed()
        return self.state()

    def _brain(self, request, key):
        index = _int(request, key, 0, len(self.specs) - 1)
        return self.specs[index]

    def _session(self, request):
        ident = request.get("game")
        if self.session is None or ident != self.session.id:
            raise RequestError(409, "game %r is not the game being played (that is %s)"
                               % (ident, self.session.id if self.session else "none"))
        return self.session

    def move(self, request):
        x, y = _int(request, "x", 0, BOARD_SIZE - 1), _int(request, "y", 0, BOARD_SIZE - 1)
        with self.cond:
            self._session(request).play(x, y)
        return self.state()

    def undo(self, request):
        with self.cond:
            self._session(request).undo()
        return self.state()

    def psq(self, request):
        text = request.get("text")
        if not isinstance(text, str):
            raise RequestError(400, "text must be the record as a string")
        return parse_record(text)

    def close(self):
        with self.cond:
            self.closing = True
            session = self.session
            if session:
                session.cancel()
            self.cond.notify_all()
        if session:
            session.thread.join(timeout=10)


def _int(request, key, low, high):
    value = request.get(key)
    if not isinstance(value, int) or isinstance(value, bool) or not low <= value <= high:
        raise RequestError(400, "%s must be an integer from %d to %d" % (key, low, high))
    return value


def parse_record(text):
    """Moves, names and the winning five of a .psq record; RequestError when it is invalid."""
    try:
        moves, names = read_psq(text)
    except ValueError as exc:
        raise RequestError(400, "not a .psq record: %s" % exc) from None
    board, win_line = Board(), []
    for i, (x, y, ms) in enumerate(moves):
        if win_line:
            raise RequestError(400, "stone %d comes after the five" % (i + 1))
        try:
            board.place(x, y, BLACK if i % 2 == 0 else WHITE)
        except ValueError as exc:
            raise RequestError(400, "stone %d (%d,%d in the file): %s"
                               % (i + 1, x + 1, y + 1, exc)) from None
        win_line = board.five_through(x, y) or []
    names = (names + ["?", "?"])[:2]
    return {"moves": [list(m) for m in moves], "names": {"black": names[0], "white": names[1]},
            "win_line": [list(c) for c in win_line]}


class Handler(BaseHTTPRequestHandler):
    server_version = "ruvex-arena"
    posts = {"/api/new": Hub.new_game, "/api/move": Hub.move, "/api/undo": Hub.undo,
             "/api/psq": Hub.psq}

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        self._answer(self._get)

    def do_POST(self):
        self._answer(self._post)

    def _answer(self, work):
        try:
            self._check_origin()
            status, body, kind = 200, *work()
        except RequestError as exc:
            status, body, kind = exc.status, {"error": exc.message}, "application/json"
        data = body if isinstance(body, bytes) else json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", kind + "; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        try:
            self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the page went away (reloaded or closed) while it waited

    def _check_origin(self):
        """Only pages of this server may use it (no other site, no DNS rebinding)."""
        port = self.server.server_port
        host = self.headers.get("Host", "")
        if host not in ("127.0.0.1:%d" % port, "localhost:%d" % port):
            raise RequestError(403, "requests must be addressed to 127.0.0.1:%d" % port)
        origin = self.headers.get("Origin")
        if origin is not None and origin != "http://" + host:
            raise RequestError(403, "requests from other pages (%s) are refused" % origin)

    def _get(self):
        path, _, query = self.path.partition("?")
        if path in STATIC:
            name, kind = STATIC[path]
            with open(os.path.join(WEB_DIR, name), "rb") as handle:
                return handle.read(), kind
        if path != "/api/state":
            raise RequestError(404, "no such file: %s" % path[:200])
        fields = dict(p.partition("=")[::2] for p in query.split("&") if p)
        try:
            since = int(fields["since"]) if "since" in fields else None
            wait = float(fields.get("wait", 0))
        except ValueError:
            raise RequestError(400, "since and wait must be numbers") from None
        return self.server.hub.state(since, wait), "application/json"

    def _post(self):
        action = self.posts.get(self.path)
        if action is None:
            raise RequestError(404, "no such action: %s" % self.path[:200])
        if not self.headers.get("Content-Type", "").startswith("application/json"):
            raise RequestError(400, "the request body must be JSON (Content-Type "
                                    "application/json)")
        try:
            length = int(self.headers.get("Content-Length", ""))
        except ValueError:
            raise RequestError(400, "Content-Length is missing") from None
        if not 0 <= length <= MAX_BODY:
            raise RequestError(413, "the request body is over %d bytes" % MAX_BODY)
        try:
            request = json.loads(self.rfile.read(length).decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as exc:
            raise RequestError(400, "malformed JSON: %s" % exc) from None
        if not isinstance(request, dict):
            raise RequestError(400, "malformed request: expected a JSON object")
        return action(self.server.hub, request), "application/json"


def make_server(specs, config, opening=(), port=0):
    """The server on 127.0.0.1 (port 0: any free port); run serve_forever(), then close()."""
    server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    server.hub = Hub(specs, config, opening)

    def close():
        server.hub.close()
        server.server_close()
    server.close = close
    return server


def serve_main(specs, config, opening, port, open_page=False):
    server = make_server(specs or default_brains(), config, opening, port)
    url = "http://127.0.0.1:%d/" % server.server_port
    print("Board at %s (Ctrl-C stops the server)" % url, flush=True)
    signal.signal(signal.SIGTERM,
                  lambda *_: threading.Thread(target=server.shutdown, daemon=True).start())
    if open_page:
        webbrowser.open(url)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.close()
    return 0
