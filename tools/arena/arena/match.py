"""A match: N games between brain A and brain B over a seeded opening suite, colours swapped
for every opening; per-game result lines, a summary, .psq records and a JSON summary."""

import json
import os
import sys

from .board import BLACK, WHITE
from .brain import now_ms
from .game import FORFEIT_KINDS, BrainPlayer, Observer, play_game
from .openings import schedule
from .psq import write_psq
from .stats import elo_interval, elo_text, json_number, score_fraction


class MatchOptions:
    def __init__(self, games=2, opening_stones=3, seed=1, psq_dir=None, json_path=None,
                 log_dir=None, verbose=False, reuse_process=False):
        self.games = int(games)
        self.opening_stones = int(opening_stones)
        self.seed = int(seed)
        self.psq_dir = psq_dir
        self.json_path = json_path
        self.log_dir = log_dir
        self.verbose = verbose
        self.reuse_process = reuse_process  # one process per brain for the whole match


class ProtocolLog:
    """Writes one brain's conversation to a file: '> ' sent, '< ' received."""

    def __init__(self, path):
        self.handle = open(path, "w", encoding="utf-8", errors="replace")
        self.lines = 0

    def __call__(self, direction, text):
        self.lines += 1
        if self.lines <= 100000:  # a flooding brain does not fill the disk
            self.handle.write("%s %s\n" % (direction, text))

    def close(self):
        self.handle.close()


def _is_tty(out):
    try:
        return out.isatty()
    except (AttributeError, ValueError):
        return False


class _LiveProgress(Observer):
    """On a terminal: a status line with the move count of the game being played."""

    def __init__(self, out, index, games):
        self.out, self.index, self.games = out, index, games

    def on_move(self, record, board, x, y, colour, ms):
        self.out.write("\r  game %d/%d: move %d (%d,%d in %d ms)   "
                       % (self.index, self.games, len(board.moves), x, y, ms))
        self.out.flush()

    def on_end(self, record, board):
        self.out.write("\r\x1b[K")
        self.out.flush()


class BrainTally:
    def __init__(self, label, spec):
        self.label = label
        self.spec = spec
        self.name = spec.name
        self.times = []
        self.peak_memory_kb = 0
        self.forfeits = {kind: 0 for kind in FORFEIT_KINDS}
        self.killed = 0
        self.exits = {}  # how its processes ended ("exit 0", "killed", ...): count

    def count_exit(self, status):
        if status:
            self.exits[status] = self.exits.get(status, 0) + 1

    def as_dict(self):
        times = self.times
        return {
            "label": self.label,
            "name": self.name,
            "command": self.spec.argv,
            "moves": len(times),
            "mean_ms": round(sum(times) / len(times), 1) if times else None,
            "max_ms": max(times) if times else None,
            "peak_memory_mb": round(self.peak_memory_kb / 1024.0, 1),
            "forfeits": dict(self.forfeits),
            "killed_after_end": self.killed,
            "exits": dict(self.exits),
        }


def run_match(spec_a, spec_b, config, options, out=None, limits=None):
    """Plays the match and returns the summary dict (also written as JSON on request).
    `limits` may map "A" or "B" to a GameConfig whose turn_ms and match_ms that brain gets
    instead of the match's."""
    out = out or sys.stdout
    limits = {label: (limits or {}).get(label) or config for label in ("A", "B")}
    tallies = {"A": BrainTally("A", spec_a), "B": BrainTally("B", spec_b)}
    wins = draws = losses = aborted = 0
    records = []
    games = schedule(options.games, options.opening_stones, options.seed)
    for directory in (options.psq_dir, options.log_dir):
        if directory:
            os.makedirs(directory, exist_ok=True)
    _print(out, "Match: A = %s  vs  B = %s, %d games, %s, tolerance %d ms, "
           "openings of %d stones (seed %d)%s" % (
               " ".join(spec_a.argv), " ".join(spec_b.argv), options.games, _clocks_text(limits),
               config.tolerance_ms, options.opening_stones, options.seed,
               ", one process per brain" if options.reuse_process else ""))
    logs = []

    def new_player(label, stem):
        log = stderr_path = None
        if options.log_dir:
            log = ProtocolLog(os.path.join(options.log_dir, stem + ".log"))
            logs.append(log)
            stderr_path = os.path.join(options.log_dir, stem + ".stderr")
        on_message = None
        if options.verbose:
            on_message = (lambda text, label=label: _print(out, "    %s: %s" % (label, text)))
        player = BrainPlayer(spec_a if label == "A" else spec_b, log=log,
                             stderr_path=stderr_path, on_message=on_message,
                             reuse=options.reuse_process)
        player.limits = limits[label]
        return player

    # With reuse_process each brain keeps one player (one process) for the whole match.
    kept = {}
    if options.reuse_process:
        kept = {label: new_player(label, "brain-" + label) for label in ("A", "B")}
    try:
        for index, (opening, a_is_black) in enumerate(games, start=1):
            labels = {BLACK: "A", WHITE: "B"} if a_is_black else {BLACK: "B", WHITE: "A"}
            first_log = len(logs)
            players = {colour: kept.get(label) or new_player(label, "game%03d-%s" % (index, label))
                       for colour, label in labels.items()}
            observer = _LiveProgress(out, index, options.games) if _is_tty(out) else None
            try:
                record = play_game(players[BLACK], players[WHITE], opening, config, index=index,
                                   observer=observer)
            finally:
                if not kept:
                    for log in logs[first_log:]:
                        log.close()
            records.append((record, labels))
            for colour, label in labels.items():
                tally = tallies[label]
                if players[colour].name and players[colour].name != "?":
                    tally.name = players[colour].name
                tally.times.extend(record.times(colour))
                tally.peak_memory_kb = max(tally.peak_memory_kb, record.peak_memory_kb[colour])
                tally.killed += 1 if record.killed[colour] else 0
                if not kept:
                    tally.count_exit(record.exit_status[colour])
            for forfeit in record.forfeits:
                tallies[labels[forfeit["colour"]]].forfeits[forfeit["kind"]] += 1
            if record.reason == "aborted":
                aborted += 1
            elif record.winner is None:
                draws += 1
            elif labels[record.winner] == "A":
                wins += 1
            else:
                losses += 1
            if options.psq_dir:
                write_psq(os.path.join(options.psq_dir, "game%03d.psq" % index),
                          [(x, y, ms) for (x, y, ms, _) in record.moves],
                          record.names[BLACK], record.names[WHITE])
            played = wins + draws + losses
            score = score_fraction(wins, draws, losses)
            _print(out, "[%*d/%d] black %s (%s) - white %s (%s): %s, %s, %d moves | "
                   "A +%d =%d -%d%s"
                   % (len(str(options.games)), index, options.games, labels[BLACK],
                      record.names[BLACK], labels[WHITE], record.names[WHITE],
                      record.result_text(), record.reason_text(), len(record.moves), wins,
                      draws, losses, "  %.1f%%" % (100.0 * score) if played else ""))
    finally:
        deadline = now_ms() + config.end_timeout_ms
        for label, player in kept.items():
            tallies[label].killed += 1 if player.close(deadline) else 0
            for status in player.exits:
                tallies[label].count_exit(status)
            tallies[label].peak_memory_kb = max(tallies[label].peak_memory_kb,
                                                player.peak_memory_kb)
        if kept:
            for log in logs:
                log.close()
    summary = _summary(tallies, wins, draws, losses, aborted, records, config, options, limits)
    _print_summary(out, summary)
    if options.json_path:
        with open(options.json_path, "w", encoding="utf-8") as handle:
            json.dump(summary, handle, indent=2)
            handle.write("\n")
    return summary


def _clock_text(config):
    return "turn %d ms, match %s" % (
        config.turn_ms, "%d ms" % config.match_ms if config.match_ms else "unlimited")


def _clocks_text(limits):
    if vars(limits["A"]) == vars(limits["B"]):
        return _clock_text(limits["A"])
    return "A: %s; B: %s" % (_clock_text(limits["A"]), _clock_text(limits["B"]))


def _summary(tallies, wins, draws, losses, aborted, records, config, options, limits):
    interval = elo_interval(wins, draws, losses)
    score = score_fraction(wins, draws, losses)
    elo = {"elo": None, "low": None, "high": None, "text": "n/a"}
    if interval:
        elo = {"elo": json_number(interval[0]), "low": json_number(interval[1]),
               "high": json_number(interval[2]), "text": elo_text(interval[0]),
               "low_text": elo_text(interval[1]), "high_text": elo_text(interval[2])}
    games = []
    for record, labels in records:
        entry = record.as_dict()
        entry["black_brain"] = labels[BLACK]
        entry["white_brain"] = labels[WHITE]
        entry["winner_brain"] = labels.get(record.winner)
        games.append(entry)
    brains = {label: tally.as_dict() for label, tally in tallies.items()}
    for label, tally in brains.items():
        tally.update(turn_ms=limits[label].turn_ms, match_ms=limits[label].match_ms)
    return {
        "config": dict(config.as_dict(), games=options.games,
                       opening_stones=options.opening_stones, seed=options.seed),
        "brains": brains,
        "a_wins": wins, "draws": draws, "a_losses": losses, "aborted": aborted,
        "a_score": round(score, 4) if score is not None else None,
        "a_points": wins + 0.5 * draws,
        "elo_a_minus_b": elo,
        "games": games,
    }


def _print_summary(out, summary):
    wins, draws, losses = summary["a_wins"], summary["draws"], summary["a_losses"]
    played = wins + draws + losses
    brains = summary["brains"]
    _print(out, "")
    _print(out, "Summary: A = %s, B = %s" % (brains["A"]["name"], brains["B"]["name"]))
    score = summary["a_score"]
    _print(out, "  A wins %d, draws %d, losses %d%s; score %.1f/%d%s" % (
        wins, draws, losses, (", aborted %d" % summary["aborted"]) if summary["aborted"] else "",
        summary["a_points"], played, " = %.1f%%" % (100.0 * score) if score is not None else ""))
    elo = summary["elo_a_minus_b"]
    if elo["text"] == "n/a":
        _print(out, "  Elo A-B: n/a (no game finished)")
    else:
        _print(out, "  Elo A-B: %s  (95%%: %s .. %s)" % (elo["text"], elo["low_text"],
                                                        elo["high_text"]))
    for label in ("A", "B"):
        b = brains[label]
        forfeits = ", ".join("%s %d" % (k, v) for k, v in b["forfeits"].items() if v) or "none"
        timing = ("mean %.1f ms, max %d ms over %d moves" % (b["mean_ms"], b["max_ms"], b["moves"])
                  if b["moves"] else "no moves")
        exits = ", ".join("%s x%d" % item for item in sorted(b["exits"].items())) or "none"
        _print(out, "  %s %s: time per move %s; peak memory %.1f MB; forfeits: %s%s; exits: %s" % (
            label, b["name"], timing, b["peak_memory_mb"], forfeits,
            ("; killed after END %d" % b["killed_after_end"]) if b["killed_after_end"] else "",
            exits))


def _print(out, text):
    out.write(text + "\n")
    out.flush()
