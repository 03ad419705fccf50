"""Games judged with brains that misbehave on purpose: every way to lose without a five
against you, the time rules, the exact bytes sent, and no brain process left behind."""

import pathlib
import tempfile
import time
import unittest

from helpers import child_pids, fake, fast_config

from arena.board import BLACK, WHITE, other
from arena.brain import BrainSpec
from arena.game import BrainPlayer, play_game

GOOD = fake("good")
# (black, white, config, loser, kind, text in the detail): one forfeit each, within 4 s.
FORFEITS = [
    (GOOD, fake("off-board", "--at", 2), {}, WHITE, "off-board", "25,3"),
    (GOOD, fake("occupied", "--at", 2), {}, WHITE, "occupied", ""),
    (GOOD, fake("garbage", "--at", 2), {}, WHITE, "garbage", ""),
    (GOOD, fake("error", "--at", 2), {}, WHITE, "error", ""),
    (fake("slow", "--sleep", 2.0), GOOD, {}, BLACK, "timeout", ""),
    (GOOD, fake("silent"), {}, WHITE, "timeout", ""),
    (GOOD, fake("exit", "--at", 3), {}, WHITE, "crash", "exit code 3"),
    (fake("flood-msg"), GOOD, {}, BLACK, "timeout", ""),
    (fake("flood-raw"), GOOD, {}, BLACK, "garbage", ""),
    (GOOD, fake("no-ok"), {}, WHITE, "start", ""),
    (GOOD, fake("die-start"), {}, WHITE, "crash", ""),
    (BrainSpec(["/nonexistent/pbrain-nothing"], cwd="/"), GOOD, {}, BLACK, "start", ""),
    # 800 ms is within the 1000 ms turn but not within 450 ms of match time.
    (GOOD, fake("slow", "--sleep", 0.8), dict(turn_ms=1000, match_ms=450, tolerance_ms=100),
     WHITE, "match-time", ""),
]


def play(black, white, opening=(), **config):
    started, shown = time.monotonic(), []  # the MESSAGE lines of black shown
    record = play_game(BrainPlayer(black, on_message=shown.append), BrainPlayer(white),
                       list(opening), fast_config(**config))
    record.shown = shown
    return record, time.monotonic() - started


class GameTest(unittest.TestCase):
    def tearDown(self):
        self.assertEqual(child_pids(), [], "a brain process was left behind")

    def test_forfeits(self):
        for black, white, config, loser, kind, detail in FORFEITS:
            with self.subTest(black=black.argv[-1], white=white.argv[-1]):
                record, seconds = play(black, white, **config)
                forfeits = [(f["colour"], f["kind"]) for f in record.forfeits]
                self.assertEqual((record.reason, record.winner, forfeits),
                                 ("forfeit", other(loser), [(loser, kind)]), record.reason_text())
                self.assertIn(detail, record.forfeits[0]["detail"])
                self.assertLess(seconds, 4.0)
                if white.argv[-2:] == ["--at", "2"]:  # B, W, B: the bad reply is not played
                    self.assertEqual(len(record.moves), 3)
                if black.argv[-1] == "flood-msg":  # shown only up to a cap
                    self.assertEqual((len(record.shown), record.shown[-1]), (101, "(further "
                                     "MESSAGE and DEBUG lines of this brain not shown)"))

    def test_games_that_end_without_a_forfeit(self):
        # (black, white, config, reason, a check of the record)
        cases = [
            (fake("slow", "--sleep", 0.3), GOOD, dict(turn_ms=200, tolerance_ms=400),
             "move-limit", lambda r: r.moves[0][2] >= 300),  # within the tolerance
            (fake("slow", "--sleep", 0.3), fake("slow", "--sleep", 0.3, "--at", 2),
             dict(turn_ms=1000, match_ms=450, tolerance_ms=100), "move-limit", None),
            # start-up time (0.7 s for START and again for ABOUT) is not charged to move one
            (fake("slow-start", "--sleep", 0.7), GOOD, dict(tolerance_ms=100), "move-limit",
             lambda r: r.moves[0][2] < 500),
            (fake("chatty"), fake("lf"), {}, "move-limit",  # MESSAGE and DEBUG are no moves
             lambda r: r.moves[0][:2] == (10, 10) and (3, 4) not in [m[:2] for m in r.moves]),
            (fake("hang-end"), GOOD, dict(end_timeout_ms=300), "move-limit",
             lambda r: r.killed == {BLACK: True, WHITE: False}),
            (fake("memory", "--mb", 64), GOOD, dict(turn_ms=2000, max_moves=2), "move-limit",
             lambda r: r.peak_memory_kb[BLACK] > 65536 > r.peak_memory_kb[WHITE]),
            (fake("pattern", "--parity", 0), fake("pattern", "--parity", 1), dict(turn_ms=2000,
             max_moves=0), "full", lambda r: len(r.moves) == 400 and r.result_text() == "1/2-1/2"),
            (fake("no-ok"), fake("die-start"), {}, "aborted",
             lambda r: sorted(f["kind"] for f in r.forfeits) == ["crash", "start"]),
        ]
        for black, white, config, reason, check in cases:
            with self.subTest(black=black.argv[-1], white=white.argv[-1]):
                record, seconds = play(black, white, **dict(dict(max_moves=6), **config))
                self.assertEqual(record.reason, reason, record.reason_text())
                self.assertTrue(check is None or check(record), record.moves)
                self.assertLess(seconds, 3.0 if reason != "full" else 60)
                self.assertIsNone(record.winner)

    def test_exact_bytes_sent(self):
        with tempfile.TemporaryDirectory() as tmp:
            logs = [pathlib.Path(tmp, name) for name in ("black", "white", "white0")]
            record, _ = play(fake("good", "--record", logs[0]), fake("good", "--record", logs[1]),
                             [(9, 9), (9, 10), (8, 8)], turn_ms=250, match_ms=9000,
                             max_moves=6, max_memory_mb=100)
            play(GOOD, fake("good", "--record", logs[2]), max_moves=2)  # empty board
            black, white, white0 = [path.read_bytes() for path in logs]
        # White moves first after three opening stones: a BOARD block from its side.
        head = (b"START 20\r\nABOUT\r\nINFO timeout_turn 250\r\nINFO timeout_match 9000\r\n"
                b"INFO max_memory 104857600\r\nINFO game_type 1\r\nINFO rule 0\r\n"
                b"INFO time_left 9000\r\nBOARD\r\n")
        self.assertTrue(white.startswith(head + b"9,9,2\r\n9,10,1\r\n8,8,2\r\nDONE\r\n"), white)
        w1, b1, w2 = (m[:2] for m in record.moves[3:6])
        self.assertTrue(black.startswith(head + b"9,9,1\r\n9,10,2\r\n8,8,1\r\n%d,%d,2\r\nDONE\r\n"
                                         % w1), black)
        self.assertIn(b"\r\nTURN %d,%d\r\n" % b1, white)
        self.assertNotIn(b"TURN %d,%d" % w2, black)  # the game ended at the move limit
        self.assertTrue(white.endswith(b"\r\nEND\r\n") and black.endswith(b"\r\nEND\r\n"))
        self.assertEqual(black.count(b"\n"), black.count(b"\r\n"))
        self.assertIn(b"INFO time_left 2147483647\r\nTURN 10,10\r\n", white0)


if __name__ == "__main__":
    unittest.main()
