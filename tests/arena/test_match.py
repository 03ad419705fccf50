"""Matches end to end (results, summary, records, JSON), the command line, watching, and a
person playing through the terminal player."""

import io
import json
import os
import shlex
import subprocess
import sys
import tempfile
import unittest

from helpers import ARENA_DIR, FAKE, ROOT, child_pids, fake, fast_config, ref

from arena.board import BLACK, WHITE
from arena.game import BrainPlayer, play_game
from arena.match import MatchOptions, run_match
from arena.psq import read_psq
from arena.terminal import BoardPrinter, HumanPlayer, parse_human_move


class MatchTest(unittest.TestCase):
    def test_match_with_a_crashing_brain(self):
        out = io.StringIO()
        with tempfile.TemporaryDirectory() as tmp:
            options = MatchOptions(games=4, opening_stones=3, seed=4,
                                   psq_dir=os.path.join(tmp, "psq"),
                                   json_path=os.path.join(tmp, "m.json"),
                                   log_dir=os.path.join(tmp, "logs"))
            summary = run_match(ref("threat", 1), fake("exit", "--at", 2), fast_config(),
                                options, out=out)
            with open(os.path.join(tmp, "m.json")) as handle:
                self.assertEqual(json.load(handle), summary)
            psq = sorted(os.listdir(os.path.join(tmp, "psq")))
            self.assertEqual(psq, ["game001.psq", "game002.psq", "game003.psq", "game004.psq"])
            with open(os.path.join(tmp, "psq", "game002.psq"), newline="") as handle:
                moves, names = read_psq(handle.read())
            logs = sorted(os.listdir(os.path.join(tmp, "logs")))
            self.assertIn("game001-A.log", logs)
            with open(os.path.join(tmp, "logs", "game001-B.log")) as handle:
                self.assertTrue(handle.read().startswith("> START 20\n< OK\n"))
        self.assertEqual(child_pids(), [])
        text = out.getvalue()
        self.assertEqual((summary["a_wins"], summary["draws"], summary["a_losses"]), (4, 0, 0))
        self.assertEqual(summary["brains"]["B"]["forfeits"]["crash"], 4)
        self.assertEqual(summary["brains"]["A"]["forfeits"]["crash"], 0)
        self.assertEqual(summary["elo_a_minus_b"]["text"], "+inf")
        self.assertIsNone(summary["elo_a_minus_b"]["elo"])
        games = summary["games"]
        self.assertEqual([g["black_brain"] for g in games], ["A", "B", "A", "B"])
        self.assertEqual(games[0]["opening"], games[1]["opening"])
        self.assertNotEqual(games[0]["opening"], games[2]["opening"])
        self.assertEqual(names, ["Fake-exit", "ArenaThreat"])
        self.assertEqual([m[:2] for m in moves], [tuple(m[:2]) for m in games[1]["moves"]])
        self.assertEqual(text.count("\n[") + text.startswith("["), 4)
        self.assertIn("[2/4] black B (Fake-exit) - white A (ArenaThreat): 0-1, black forfeits: "
                      "crash", text)
        self.assertIn("A wins 4, draws 0, losses 0; score 4.0/4 = 100.0%", text)
        self.assertIn("Elo A-B: +inf  (95%: +7.0 .. +inf)", text)
        self.assertIn("forfeits: crash 4", text)
        self.assertGreater(summary["brains"]["A"]["peak_memory_mb"], 1.0)
        self.assertIsNotNone(summary["brains"]["A"]["max_ms"])

    def test_reused_processes(self):
        # A keeps one process for all four games (START before each); B crashes in every
        # game, so each of its games gets a fresh process.
        with tempfile.TemporaryDirectory() as tmp:
            options = MatchOptions(games=4, opening_stones=3, seed=4, reuse_process=True,
                                   log_dir=tmp)
            summary = run_match(ref("threat", 1), fake("exit", "--at", 2), fast_config(),
                                options, out=io.StringIO())
            self.assertEqual(sorted(os.listdir(tmp))[:2], ["brain-A.log", "brain-A.stderr"])
            with open(os.path.join(tmp, "brain-A.log")) as handle:
                self.assertEqual(handle.read().count("> START 20\n< OK\n"), 4)
        self.assertEqual(child_pids(), [])
        self.assertEqual(summary["a_wins"], 4)
        self.assertEqual(summary["brains"]["A"]["exits"], {"exit 0": 1})
        self.assertEqual(summary["brains"]["B"]["exits"], {"exit 3": 4})
        self.assertEqual(summary["brains"]["B"]["forfeits"]["crash"], 4)

    def test_draws_and_losses_are_counted_for_a(self):
        config = fast_config(max_moves=6)
        summary = run_match(fake("silent", "--at", 2), fake("good"), config,
                            MatchOptions(games=2, opening_stones=0), out=io.StringIO())
        # A falls silent on its second move in both games, as black and as white.
        self.assertEqual((summary["a_wins"], summary["draws"], summary["a_losses"]), (0, 0, 2))
        self.assertEqual(summary["brains"]["A"]["forfeits"]["timeout"], 2)
        self.assertEqual(summary["elo_a_minus_b"]["text"], "-inf")
        summary = run_match(fake("good"), fake("good"), config,
                            MatchOptions(games=2, opening_stones=3), out=io.StringIO())
        self.assertEqual((summary["a_wins"], summary["draws"], summary["a_losses"]), (0, 2, 0))
        self.assertEqual(summary["elo_a_minus_b"]["elo"], 0.0)

    def test_per_brain_turn_limits(self):
        # B sleeps 0.9 s on its first move: inside its own 1500 ms, past the match's 500 + 250.
        with tempfile.TemporaryDirectory() as tmp:
            summary = run_match(fake("good"), fake("slow", "--sleep", 0.9),
                                fast_config(max_moves=4),
                                MatchOptions(games=1, opening_stones=0, log_dir=tmp),
                                out=io.StringIO(),
                                limits={"B": fast_config(turn_ms=1500, match_ms=60000)})
            with open(os.path.join(tmp, "game001-B.log")) as handle:
                log = handle.read()
        self.assertIn("> INFO timeout_turn 1500\n> INFO timeout_match 60000\n", log)
        self.assertEqual(summary["games"][0]["reason"], "move-limit")
        self.assertEqual([summary["brains"][x]["turn_ms"] for x in "AB"], [500, 1500])


class CommandLineTest(unittest.TestCase):
    def run_arena(self, *args, cwd=ROOT):
        return subprocess.run([sys.executable, ARENA_DIR] + list(args), cwd=cwd,
                              capture_output=True, text=True, timeout=60)

    def test_match_command_and_expected_score(self):
        threat = "tools/arena/brains/pbrain-threat --seed 2"
        random_brain = "tools/arena/brains/pbrain-random --seed 2"
        done = self.run_arena("match", threat, random_brain, "-n", "2", "--turn-ms", "1000",
                              "--expect-score", "0.75")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("A wins 2, draws 0, losses 0", done.stdout)
        done = self.run_arena("match", random_brain, threat, "-n", "2", "--turn-ms", "1000",
                              "--expect-score", "0.75")
        self.assertEqual(done.returncode, 1)
        self.assertIn("less than the expected 0.750", done.stderr)

    def test_bad_command_lines(self):
        done = self.run_arena("match", "no/such/brain", "tools/arena/brains/pbrain-random")
        self.assertEqual(done.returncode, 2)
        self.assertIn("brain program not found", done.stderr)
        done = self.run_arena("match", FAKE, FAKE)  # not executable
        self.assertEqual(done.returncode, 2)
        self.assertIn("not executable", done.stderr)
        done = self.run_arena("watch", "tools/arena/brains/pbrain-random", "--turn-ms", "0")
        self.assertEqual(done.returncode, 2)
        done = self.run_arena("match", "tools/arena/brains/pbrain-random",
                              "tools/arena/brains/pbrain-random", "--turn-ms-b", "0")
        self.assertEqual(done.returncode, 2)
        self.assertIn("--turn-ms-b must be positive", done.stderr)

    def test_watch_without_a_game_exits_one(self):
        brain = "%s %s die-start" % (shlex.quote(sys.executable), shlex.quote(FAKE))
        done = self.run_arena("watch", brain, "--turn-ms", "300")
        self.assertEqual(done.returncode, 1)
        self.assertIn("Result: aborted", done.stdout)
        self.assertIn("no game was played", done.stderr)

    def test_module_entry_point(self):
        env = dict(os.environ, PYTHONPATH=ARENA_DIR)
        done = subprocess.run([sys.executable, "-m", "arena", "-h"], capture_output=True,
                              text=True, env=env, cwd=ROOT, timeout=30)
        self.assertEqual(done.returncode, 0)
        self.assertIn("match", done.stdout)

    def test_watch_draws_every_move_and_exits_zero(self):
        done = self.run_arena("watch", "tools/arena/brains/pbrain-threat --seed 1",
                              "tools/arena/brains/pbrain-random --seed 1", "--turn-ms", "1000")
        self.assertEqual(done.returncode, 0, done.stderr)
        moves = done.stdout.count("\nMove ") + done.stdout.startswith("Move ")
        self.assertGreater(moves, 5)
        self.assertEqual(done.stdout.count("  0  1  2  3"), 2 * (moves + 1))  # + the final board
        self.assertIn("Result: 1-0 - black (ArenaThreat) wins; five in a row", done.stdout)
        self.assertIn("Move 1: black X (ArenaThreat) plays 10,10", done.stdout)


class HumanTest(unittest.TestCase):
    def test_parse(self):
        self.assertEqual(parse_human_move("9,10"), (9, 10))
        self.assertEqual(parse_human_move(" 9 , 10 "), (9, 10))
        self.assertEqual(parse_human_move("9 10"), (9, 10))
        for bad in ("", "9", "a,b", "1,2,3", "9;10", "1.5,2"):
            self.assertIsNone(parse_human_move(bad), bad)

    def test_bad_input_is_answered_and_asked_again(self):
        typed = iter(["hello", "25,3", "-1,4", "10,10", "10,12", "", "quit"])
        out = io.StringIO()
        human = HumanPlayer(read=lambda prompt: next(typed), out=out)
        brain = BrainPlayer(ref("random", 4))
        record = play_game(human, brain, [], fast_config(turn_ms=2000),
                           observer=BoardPrinter(out=out))
        text = out.getvalue()
        self.assertIn("Please type a move as two numbers 0-19 joined by a comma", text)
        self.assertIn("25,3 is off the board: both numbers must be 0-19.", text)
        self.assertIn("-1,4 is off the board", text)
        self.assertEqual(record.moves[0][:2], (10, 10))
        self.assertEqual(record.moves[2][:2], (10, 12))
        self.assertEqual(record.reason, "forfeit")
        self.assertEqual(record.forfeits[0]["kind"], "resign")
        self.assertEqual(record.winner, WHITE)
        self.assertEqual(child_pids(), [])

    def test_occupied_cell_and_end_of_input(self):
        typed = iter(["10,10"])

        def read(prompt):
            try:
                return next(typed)
            except StopIteration:
                raise EOFError from None

        out = io.StringIO()
        brain = BrainPlayer(ref("random", 4))
        record = play_game(brain, HumanPlayer(read=read, out=out), [],
                           fast_config(turn_ms=2000), observer=BoardPrinter(out=out))
        self.assertIn("10,10 is already taken; choose an empty cell.", out.getvalue())
        self.assertEqual(record.winner, BLACK)
        self.assertEqual(record.forfeits[0]["detail"], "the player left the game")


if __name__ == "__main__":
    unittest.main()
