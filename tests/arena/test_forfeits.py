"""Every way a brain can lose without a five against it, with brains that misbehave on
purpose; and that misbehaving brains never hang the arena or leave children behind."""

import os
import tempfile
import time
import unittest

from helpers import child_pids, fake, fast_config

from arena.board import BLACK, WHITE
from arena.game import BrainPlayer, play_game


def play(black, white, opening=(), config=None):
    config = config or fast_config()
    started = time.monotonic()
    record = play_game(BrainPlayer(black), BrainPlayer(white), list(opening), config)
    return record, time.monotonic() - started


class ForfeitTest(unittest.TestCase):
    def tearDown(self):
        self.assertEqual(child_pids(), [], "a brain process was left behind")

    def assert_forfeit(self, record, colour, kind):
        self.assertEqual(record.reason, "forfeit", record.reason_text())
        self.assertEqual(record.winner, WHITE if colour == BLACK else BLACK)
        self.assertEqual(len(record.forfeits), 1)
        self.assertEqual(record.forfeits[0]["colour"], colour)
        self.assertEqual(record.forfeits[0]["kind"], kind, record.forfeits[0]["detail"])

    def test_illegal_replies(self):
        cases = [("off-board", "off-board"), ("occupied", "occupied"), ("garbage", "garbage"),
                 ("error", "error")]
        for mode, kind in cases:
            with self.subTest(mode=mode):
                # White misbehaves on its second move; black's stones stay as played.
                record, _ = play(fake("good"), fake(mode, "--at", 2))
                self.assert_forfeit(record, WHITE, kind)
                self.assertEqual(len(record.moves), 3)  # B, W, B; the bad reply is not played

    def test_occupied_detail_names_the_cell(self):
        record, _ = play(fake("occupied"), fake("good"), opening=[(9, 9), (9, 10), (3, 3)])
        # After three opening stones white moves first; black then repeats white's cell.
        self.assert_forfeit(record, BLACK, "occupied")
        x, y = record.moves[-1][:2]
        self.assertIn("%d,%d" % (x, y), record.forfeits[0]["detail"])

    def test_slow_reply_forfeits_on_time(self):
        record, seconds = play(fake("slow", "--sleep", 2.0), fake("good"))
        self.assert_forfeit(record, BLACK, "timeout")
        self.assertEqual(record.moves, [])
        self.assertLess(seconds, 3.0)

    def test_reply_within_tolerance_is_accepted(self):
        config = fast_config(turn_ms=200, tolerance_ms=400, max_moves=6)
        record, _ = play(fake("slow", "--sleep", 0.3), fake("good"), config=config)
        self.assertEqual(record.reason, "move-limit", record.reason_text())
        self.assertGreaterEqual(record.moves[0][2], 300)

    def test_silent_brain_forfeits_and_is_killed(self):
        record, seconds = play(fake("good"), fake("silent"))
        self.assert_forfeit(record, WHITE, "timeout")
        self.assertLess(seconds, 3.0)

    def test_exiting_brain_forfeits_as_crash(self):
        record, _ = play(fake("good"), fake("exit", "--at", 3))
        self.assert_forfeit(record, WHITE, "crash")
        self.assertIn("exit code 3", record.forfeits[0]["detail"])

    def test_floods(self):
        for mode, kind in (("flood-msg", "timeout"), ("flood-raw", "garbage")):
            with self.subTest(mode=mode):
                record, seconds = play(fake(mode), fake("good"))
                self.assert_forfeit(record, BLACK, kind)
                self.assertLess(seconds, 4.0)
                self.assertTrue(record.killed[BLACK])

    def test_message_flood_is_shown_only_up_to_a_cap(self):
        shown = []
        black = BrainPlayer(fake("flood-msg"), on_message=shown.append)
        record = play_game(black, BrainPlayer(fake("good")), [], fast_config())
        self.assert_forfeit(record, BLACK, "timeout")
        self.assertGreater(black.process.messages, 1000)
        self.assertEqual(len(shown), 101)
        self.assertEqual(shown[0], "MESSAGE fake brain ready")
        self.assertEqual(shown[-1], "(further MESSAGE and DEBUG lines of this brain not shown)")

    def test_match_time(self):
        # 450 ms of match time each: one 300 ms move fits, one 800 ms move does not, although
        # it is within the 1000 ms turn limit.
        config = fast_config(turn_ms=1000, match_ms=450, tolerance_ms=100, max_moves=6)
        record, _ = play(fake("slow", "--sleep", 0.3), fake("slow", "--sleep", 0.3, "--at", 2),
                         config=config)
        self.assertEqual(record.reason, "move-limit", record.reason_text())
        record, _ = play(fake("good"), fake("slow", "--sleep", 0.8), config=config)
        self.assert_forfeit(record, WHITE, "match-time")

    def test_start_failures(self):
        for mode, kind in (("no-ok", "start"), ("die-start", "crash")):
            with self.subTest(mode=mode):
                record, _ = play(fake("good"), fake(mode))
                self.assert_forfeit(record, WHITE, kind)
                self.assertEqual(record.moves, [])

    def test_program_that_cannot_start(self):
        from arena.brain import BrainSpec
        missing = BrainSpec(["/nonexistent/pbrain-nothing"], cwd="/")
        record, _ = play(missing, fake("good"))
        self.assert_forfeit(record, BLACK, "start")
        self.assertIn("cannot start", record.forfeits[0]["detail"])

    def test_both_brains_failing_aborts_the_game(self):
        record, _ = play(fake("no-ok"), fake("die-start"))
        self.assertEqual(record.reason, "aborted")
        self.assertIsNone(record.winner)
        self.assertEqual(sorted(f["kind"] for f in record.forfeits), ["crash", "start"])

    def test_brain_ignoring_end_is_killed(self):
        config = fast_config(max_moves=4, end_timeout_ms=300)
        record, seconds = play(fake("hang-end"), fake("good"), config=config)
        self.assertEqual(record.reason, "move-limit")
        self.assertTrue(record.killed[BLACK])
        self.assertFalse(record.killed[WHITE])
        self.assertLess(seconds, 3.0)


class ProtocolTest(unittest.TestCase):
    def tearDown(self):
        self.assertEqual(child_pids(), [])

    def test_start_up_time_is_not_charged_to_the_first_move(self):
        # The brain takes 0.7 s to answer START and again ABOUT; its moves are instant.
        config = fast_config(turn_ms=500, tolerance_ms=100, max_moves=4)
        record, _ = play(fake("slow-start", "--sleep", 0.7), fake("good"), config=config)
        self.assertEqual(record.reason, "move-limit", record.reason_text())
        self.assertLess(record.moves[0][2], 500)

    def test_messages_and_debug_lines_are_never_moves(self):
        config = fast_config(max_moves=8)
        record, _ = play(fake("chatty"), fake("lf"), config=config)
        self.assertEqual(record.reason, "move-limit", record.reason_text())
        self.assertNotIn((3, 4), [m[:2] for m in record.moves])
        self.assertEqual(record.moves[0][:2], (10, 10))

    def test_exact_bytes_sent(self):
        with tempfile.TemporaryDirectory() as tmp:
            black_log = os.path.join(tmp, "black.bin")
            white_log = os.path.join(tmp, "white.bin")
            config = fast_config(turn_ms=250, match_ms=9000, max_moves=6, max_memory_mb=100)
            opening = [(9, 9), (9, 10), (8, 8)]
            record, _ = play(fake("good", "--record", black_log),
                             fake("good", "--record", white_log), opening, config)
            self.assertEqual(record.reason, "move-limit")
            with open(black_log, "rb") as handle:
                black = handle.read()
            with open(white_log, "rb") as handle:
                white = handle.read()
        # White moves first after three opening stones: a BOARD block from its side.
        head = (b"START 20\r\nABOUT\r\nINFO timeout_turn 250\r\nINFO timeout_match 9000\r\n"
                b"INFO max_memory 104857600\r\nINFO game_type 1\r\nINFO rule 0\r\n")
        self.assertTrue(white.startswith(head + b"INFO time_left 9000\r\nBOARD\r\n9,9,2\r\n"
                                         b"9,10,1\r\n8,8,2\r\nDONE\r\n"), white)
        w1, b1, w2 = record.moves[3][:2], record.moves[4][:2], record.moves[5][:2]
        self.assertTrue(black.startswith(head + b"INFO time_left 9000\r\nBOARD\r\n"
                                         b"9,9,1\r\n9,10,2\r\n8,8,1\r\n%d,%d,2\r\nDONE\r\n"
                                         % w1), black)
        self.assertIn(b"\r\nTURN %d,%d\r\n" % b1, white)
        self.assertTrue(white.endswith(b"END\r\n"))
        self.assertTrue(black.endswith(b"END\r\n"))
        self.assertNotIn(b"TURN %d,%d" % w2, black)  # the game ended at the move limit
        self.assertEqual(black.count(b"\n"), black.count(b"\r\n"))

    def test_begin_then_turn_on_an_empty_board(self):
        with tempfile.TemporaryDirectory() as tmp:
            white_log = os.path.join(tmp, "white.bin")
            record, _ = play(fake("good"), fake("good", "--record", white_log),
                             config=fast_config(max_moves=2))
            with open(white_log, "rb") as handle:
                white = handle.read()
        self.assertEqual(record.moves[0][:2], (10, 10))
        self.assertIn(b"INFO time_left 2147483647\r\nTURN 10,10\r\n", white)

    def test_full_board_is_a_draw_after_400_moves(self):
        config = fast_config(turn_ms=2000)
        record, _ = play(fake("pattern", "--parity", 0), fake("pattern", "--parity", 1),
                         config=config)
        self.assertEqual(record.reason, "full", record.reason_text())
        self.assertIsNone(record.winner)
        self.assertEqual(len(record.moves), 400)
        self.assertEqual(record.result_text(), "1/2-1/2")

    def test_peak_memory_is_measured(self):
        config = fast_config(turn_ms=2000, max_moves=2)
        record, _ = play(fake("memory", "--mb", 64), fake("good"), config=config)
        self.assertGreater(record.peak_memory_kb[BLACK], 64 * 1024)
        self.assertLess(record.peak_memory_kb[WHITE], 64 * 1024)


if __name__ == "__main__":
    unittest.main()
