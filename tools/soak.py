#!/usr/bin/env python3
"""Soak: many games of the engine against the reference brains at mixed time controls, then
forfeits by kind, time overruns, peak resident memory and how the processes ended.

  python3 tools/soak.py --games 500 --out build/soak      # the long soak
  python3 tools/soak.py --games 12 --out build/soak-trial  # a short trial

The controls: 1 s per move without a match clock; 5 s per move with 120 s per game; 2 s per
move with 30 s per game, each brain's process kept for the whole match (START before every
game). The games are shared out evenly over every control and opponent (at least two per
pair, colours swapped). Exit status 1 when a game was forfeited or aborted, a process did not
exit 0, or the peak memory passed --max-rss-mb. Everything is also written to OUT/soak.json.
"""

import argparse
import io
import json
import os
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "arena"))
from arena.brain import BrainSpec  # noqa: E402
from arena.game import FORFEIT_KINDS, GameConfig  # noqa: E402
from arena.match import MatchOptions, run_match  # noqa: E402

CONTROLS = (  # name, ms per move, ms per game (0: none), one process for the match
    ("1s/move", 1000, 0, False),
    ("5s/move 120s/game", 5000, 120000, False),
    ("2s/move 30s/game reuse", 2000, 30000, True),
)


def default_opponents():
    brains = [os.path.join(ROOT, "tools", "arena", "brains", "pbrain-threat"),
              os.path.join(ROOT, "tools", "arena", "brains", "pbrain-random")]
    tactic = os.path.join(ROOT, "build", "release", "bin", "pbrain-tactic")
    return brains + ([tactic] if os.path.exists(tactic) else [])


def overruns(summary, turn_ms, match_ms):
    """Moves of brain A over the move limit, and games in which A's total passed the match limit."""
    moves = games = 0
    for game in summary["games"]:
        op = len(game["opening"])
        ours = op % 2 == (0 if game["black_brain"] == "A" else 1)
        times = [ms for _, _, ms in game["moves"][op:][0 if ours else 1::2]]
        moves += sum(1 for ms in times if ms > turn_ms)
        games += 1 if match_ms and sum(times) > match_ms else 0
    return moves, games


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--games", type=int, default=500, help="games in total (about)")
    parser.add_argument("--brain", default=os.path.join(ROOT, "build", "release", "bin",
                                                        "pbrain-ruvex"))
    parser.add_argument("--opponents", nargs="+", default=None,
                        help="opponent brains (default: the reference brains)")
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "soak"))
    parser.add_argument("--max-rss-mb", type=float, default=330.0)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    opponents = args.opponents or default_opponents()
    blocks = [(c, o) for c in CONTROLS for o in opponents]
    per_block = max(2, -(-args.games // len(blocks)))
    per_block += per_block % 2
    os.makedirs(args.out, exist_ok=True)
    totals = {"games": 0, "forfeits": {k: 0 for k in FORFEIT_KINDS}, "forfeits_by_opponent": 0,
              "aborted": 0, "move_overruns": 0, "match_overruns": 0, "max_move_ms": 0,
              "peak_rss_mb": 0.0, "killed_after_end": 0, "exits": {}, "wins": 0, "draws": 0,
              "losses": 0, "blocks": []}
    started = time.time()
    for number, ((name, turn_ms, match_ms, reuse), opponent) in enumerate(blocks, start=1):
        config = GameConfig(turn_ms=turn_ms, match_ms=match_ms)
        log_dir = os.path.join(args.out, "block%02d" % number)
        options = MatchOptions(games=per_block, seed=args.seed + number, log_dir=log_dir,
                               psq_dir=log_dir, reuse_process=reuse)
        text = io.StringIO()
        summary = run_match(BrainSpec.parse(args.brain), BrainSpec.parse(opponent), config,
                            options, out=text)
        with open(os.path.join(log_dir, "match.txt"), "w") as handle:
            handle.write(text.getvalue())
        a, b = summary["brains"]["A"], summary["brains"]["B"]
        moves, games = overruns(summary, turn_ms, match_ms)
        for kind, n in a["forfeits"].items():
            totals["forfeits"][kind] += n
        totals["forfeits_by_opponent"] += sum(b["forfeits"].values())
        for status, n in a["exits"].items():
            totals["exits"][status] = totals["exits"].get(status, 0) + n
        totals["games"] += len(summary["games"])
        totals["aborted"] += summary["aborted"]
        totals["move_overruns"] += moves
        totals["match_overruns"] += games
        totals["max_move_ms"] = max(totals["max_move_ms"], a["max_ms"] or 0)
        totals["peak_rss_mb"] = max(totals["peak_rss_mb"], a["peak_memory_mb"])
        totals["killed_after_end"] += a["killed_after_end"]
        for key, field in (("wins", "a_wins"), ("draws", "draws"), ("losses", "a_losses")):
            totals[key] += summary[field]
        line = ("%s vs %s: %d games, +%d =%d -%d, forfeits %s, overruns %d moves / %d games, "
                "max %s ms, peak %.1f MB, exits %s" % (
                    name, b["name"], len(summary["games"]),
                    summary["a_wins"], summary["draws"], summary["a_losses"],
                    {k: v for k, v in a["forfeits"].items() if v} or "none", moves, games,
                    a["max_ms"], a["peak_memory_mb"], a["exits"]))
        totals["blocks"].append(line)
        print("[%d/%d, %.0f s] %s" % (number, len(blocks), time.time() - started, line),
              flush=True)

    totals["seconds"] = round(time.time() - started)
    with open(os.path.join(args.out, "soak.json"), "w") as handle:
        json.dump(totals, handle, indent=2)
    forfeits = {k: v for k, v in totals["forfeits"].items() if v}
    print("Soak: %d games in %d s; engine +%d =%d -%d; forfeits %s (opponents %d), aborted %d; "
          "time overruns %d moves, %d games; max move %d ms; peak RSS %.1f MB; exits %s; "
          "killed after END %d" % (
              totals["games"], totals["seconds"], totals["wins"], totals["draws"],
              totals["losses"], forfeits or "none", totals["forfeits_by_opponent"],
              totals["aborted"], totals["move_overruns"], totals["match_overruns"],
              totals["max_move_ms"], totals["peak_rss_mb"], totals["exits"],
              totals["killed_after_end"]))
    bad = (forfeits or totals["aborted"] or totals["killed_after_end"]
           or set(totals["exits"]) - {"exit 0"} or totals["peak_rss_mb"] > args.max_rss_mb)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
