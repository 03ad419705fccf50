"""Matches end to end (results, summary, records, JSON), the command line, and a person
playing through the terminal player."""

import io
import json
import os
import shlex
import subprocess
import sys
import tempfile
import unittest

from helpers import ARENA_DIR, FAKE, ROOT, child_pids, fake, fast_config, ref

from arena.board import BLACK
from arena.game import BrainPlayer, play_game
from arena.match import MatchOptions, run_match
from arena.psq import read_psq
from arena.terminal import BoardPrinter, HumanPlayer, parse_human_move

RANDOM = "tools/arena/brains/pbrain-random --seed 2"
THREAT = "tools/arena/brains/pbrain-threat --seed 2"


class MatchTest(unittest.TestCase):
    def test_match_with_a_crashing_brain(self):
        # A keeps one process for all four games (START before each); B crashes in every
        # game, so each of its games gets a fresh process.
        out = io.StringIO()
        with tempfile.TemporaryDirectory() as tmp:
            path = lambda *names: os.path.join(tmp, *names)
            options = MatchOptions(games=4, opening_stones=3, seed=4, psq_dir=path("psq"),
                                   json_path=path("m.json"), log_dir=path("logs"),
                                   reuse_process=True)
            summary = run_match(ref("threat", 1), fake("exit", "--at", 2), fast_config(),
                                options, out=out)
            with open(path("m.json")) as json_file, open(path("psq", "game002.psq")) as psq, \
                    open(path("logs", "brain-A.log")) as log:
                self.assertEqual(json.load(json_file), summary)
                moves, names = read_psq(psq.read())
                self.assertEqual(log.read().count("> START 20\n< OK\n"), 4)
            self.assertEqual((sorted(os.listdir(path("logs")))[:2], len(os.listdir(path("psq")))),
                             (["brain-A.log", "brain-A.stderr"], 4))
        self.assertEqual(child_pids(), [])
        self.assertEqual((summary["a_wins"], summary["draws"], summary["a_losses"]), (4, 0, 0))
        self.assertEqual([(summary["brains"][x]["forfeits"]["crash"], summary["brains"][x]["exits"])
                          for x in "AB"], [(0, {"exit 0": 1}), (4, {"exit 3": 4})])
        games = summary["games"]  # each opening twice, colours swapped
        self.assertEqual([g["black_brain"] for g in games], ["A", "B", "A", "B"])
        self.assertEqual(games[0]["opening"], games[1]["opening"])
        self.assertNotEqual(games[0]["opening"], games[2]["opening"])
        self.assertEqual(names, ["Fake-exit", "ArenaThreat"])
        self.assertEqual([m[:2] for m in moves], [tuple(m[:2]) for m in games[1]["moves"]])
        self.assertIn("A wins 4, draws 0, losses 0; score 4.0/4 = 100.0%\n  Elo A-B: +inf  (95%: "
                      "+7.0 .. +inf)", out.getvalue())

    def test_per_brain_turn_limits(self):
        # B sleeps 0.9 s on its first move: inside its own 1500 ms, past the match's 500 + 250.
        with tempfile.TemporaryDirectory() as tmp:
            summary = run_match(fake("good"), fake("slow", "--sleep", 0.9),
                                fast_config(max_moves=4),
                                MatchOptions(games=1, opening_stones=0, log_dir=tmp),
                                out=io.StringIO(),
                                limits={"B": fast_config(turn_ms=1500, match_ms=60000)})
            with open(os.path.join(tmp, "game001-B.log")) as handle:
                self.assertIn("> INFO timeout_turn 1500\n> INFO timeout_match 60000\n",
                              handle.read())
        self.assertEqual(summary["games"][0]["reason"], "move-limit")
        self.assertEqual((summary["a_wins"], summary["draws"], summary["a_losses"]), (0, 1, 0))


class CommandLineTest(unittest.TestCase):
    def test_commands(self):
        die = "%s %s die-start" % (shlex.quote(sys.executable), shlex.quote(FAKE))
        # (arguments, exit status, text in stdout, text in stderr)
        cases = [
            (["match", THREAT, RANDOM, "-n", "2", "--expect-score", "0.75"], 0,
             "A wins 2, draws 0, losses 0", ""),
            (["match", RANDOM, THREAT, "-n", "2", "--expect-score", "0.75"], 1, "",
             "less than the expected 0.750"),
            (["match", "no/such/brain", RANDOM], 2, "", "brain program not found"),
            (["match", FAKE, FAKE], 2, "", "not executable"),
            (["watch", RANDOM, "--turn-ms", "0"], 2, "", "--turn-ms must be positive"),
            (["match", RANDOM, RANDOM, "--turn-ms-b", "0"], 2, "", "--turn-ms-b must be"),
            (["watch", die, "--turn-ms", "300"], 1, "Result: aborted", "no game was played"),
            (["watch", THREAT, RANDOM], 0, "Move 1: black X (ArenaThreat) plays 10,10", ""),
        ]
        for args, status, out, err in cases:
            with self.subTest(args=args):
                command = [sys.executable, ARENA_DIR, args[0], "--turn-ms", "1000"] + args[1:]
                done = subprocess.run(command, cwd=ROOT, capture_output=True, text=True,
                                      timeout=60)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(out, done.stdout)
                self.assertIn(err, done.stderr)
        moves = done.stdout.count("\nMove ") + done.stdout.startswith("Move ")
        self.assertGreater(moves, 5)  # the watch draws every board and the final one
        self.assertEqual(done.stdout.count("  0  1  2  3"), 2 * (moves + 1))


class HumanTest(unittest.TestCase):
    def test_typed_moves(self):
        self.assertEqual([parse_human_move(t) for t in ("9,10", " 9 , 10 ", "9 10")], [(9, 10)] * 3)
        for bad in ("", "9", "a,b", "1,2,3", "9;10", "1.5,2"):
            self.assertIsNone(parse_human_move(bad), bad)
        # The brain opens at 10,10; bad input is answered and asked again; end of input resigns.
        typed = iter(["hello", "25,3", "-1,4", "10,10", "10,12"])

        def read(prompt):
            try:
                return next(typed)
            except StopIteration:
                raise EOFError from None

        out = io.StringIO()
        record = play_game(BrainPlayer(ref("random", 4)), HumanPlayer(read=read, out=out), [],
                           fast_config(turn_ms=2000), observer=BoardPrinter(out=out))
        for text in ("Please type a move as two numbers", "25,3 is off the board",
                     "-1,4 is off the board", "10,10 is already taken"):
            self.assertIn(text, out.getvalue())
        self.assertEqual((record.moves[0][:2], record.moves[1][:2]), ((10, 10), (10, 12)))
        self.assertEqual((record.winner, record.forfeits[0]["kind"]), (BLACK, "resign"))
        self.assertEqual(child_pids(), [])


if __name__ == "__main__":
    unittest.main()
