// The protocol loop against a scripted console: exact answer bytes, exact
// grid cells, the stored limits, and the way the loop ends.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/host.h"
#include "platform/text.h"
#include "search/node_store.h"
#include "search/tuning.h"
#include "shell/engine.h"
#include "shell/protocol_loop.h"
#include "shell/protocol_text.h"
#include "shell/settings.h"
#include "temp_dir.h"

namespace ruvex {
namespace {

const std::string kIdentity =
    "name=\"Ruvex\", version=\"v2.0.0\", author=\"Tolvane\", country=\"Castria\"\r\n";
const std::string kUnknown = "UNKNOWN\r\n";
const std::string kEnd = "<END>";  // how a run ended, after its answer bytes
const std::string kEof = "<EOF>";
const std::string kNoGame = "ERROR no game started, send START first\r\n";
// START's answer, then the loader's found line.
const std::string kStartAnswer = "OK\r\nMESSAGE brain.map found, Loading neurons...\r\n";

class ProtocolLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // START loads brain.map from the executable directory: one of zero
    // weights (8585 doubles) in a directory of its own.
    std::ofstream(directory_.File("brain.map"), std::ios::binary) << std::string(8585 * 8, '\0');
    // The system host with its streams replaced by scripted input chunks and
    // captured output. Each chunk is delivered like bytes waiting in a pipe: a
    // read returns at most the buffer size, so a chunk larger than the buffer
    // takes several reads. After the last chunk every read returns 0 (end of
    // input). The clock stands still during a command and moves 1000 ms
    // whenever a read delivers bytes. With a match limit above a minute and no
    // turn limit, every search then ends before its first iteration: these
    // tests are about the protocol; the search has tests of its own.
    Host host = SystemHost();
    host.read = [this](char* buffer, std::size_t size) -> std::size_t {
      if (chunks.empty()) return 0;
      now += 1000;
      const std::size_t count = std::min(size, chunks.front().size());
      std::memcpy(buffer, chunks.front().data(), count);
      chunks.front().erase(0, count);
      if (chunks.front().empty()) chunks.pop_front();
      return count;
    };
    host.write = [this](std::string_view bytes) { output.append(bytes); };
    host.clock = [this] { return now; };
    host.memory = [] { return uint64_t{0}; };
    host.sleep = [this](int32_t ms) { delays.push_back(ms); };
    InitEngine(engine, host, directory_.Dir());
    ClearBoard(started);
    engine.turn.MatchTimeLimit = 100000;
  }

  // Runs the loop on fresh output.
  LoopExit Run(const std::vector<std::string>& input) {
    output.clear();
    chunks.assign(input.begin(), input.end());
    return ProtocolLoop(engine);
  }
  // The answer bytes of a run, then how it ended.
  std::string Transcript(const std::vector<std::string>& input) {
    const LoopExit exit = Run(input);
    return output + (exit == LoopExit::End ? kEnd : exit == LoopExit::InputClosed ? kEof : "");
  }
  // The output after prefix must be one plain move line; returns its cell.
  Cell MoveAnswer(const std::string& prefix) {
    EXPECT_TRUE(output.starts_with(prefix) && output.ends_with("\r\n")) << output;
    const std::string line = output.substr(prefix.size(), output.size() - prefix.size() - 2);
    const ProtocolMove move = ReadMove(line);
    const bool plain = OnBoard(move) && MoveText(move) == line;
    EXPECT_TRUE(plain) << "not one move line: " << line;
    const Cell cell = GridCellOf(move);
    EXPECT_TRUE(!plain || engine.game(cell.x, cell.y) == Own) << "no own stone on " << line;
    return cell;
  }

  std::deque<std::string> chunks;
  std::string output;
  BoardGrid started;  // the board after START
  Engine engine;
  int64_t now = 0;
  std::vector<int32_t> delays;

  testing::TempDir directory_{"ruvex-shell"};
};

// Whole runs whose answer bytes say it all; none of them starts a game.
TEST_F(ProtocolLoopTest, AnswerBytes) {
  const std::string I = kIdentity, U = kUnknown;
  EXPECT_EQ(Transcript({"ABOUT\r\nABOUT\r\n"}), I + I + kEof);  // two commands in one read
  // An empty piece drops the rest of its read, and only that.
  EXPECT_EQ(Transcript({"ABOUT\r\n\r\nABOUT\r\n", "ABOUT\r\n"}), I + I + kEof);
  // LF-only lines: ABOUT still matches by its first four characters, while END
  // is not exactly END.
  EXPECT_EQ(Transcript({"ABOUT\n", "END\n", "ABOUT\r\n"}), I + U + I + kEof);
  // A command split over two short reads is two pieces.
  EXPECT_EQ(Transcript({"AB", "OUT\r\n"}), U + U + kEof);
  // Keys are the first four characters, exactly and with case: no trimming,
  // nothing shorter.
  EXPECT_EQ(Transcript({"start 20\r\n ABOUT\r\nSTA\r\nRESTART\r\nABOU\r\n"}),
            U + U + U + U + I + kEof);
  // END only exactly, and nothing is carried out after it.
  EXPECT_EQ(Transcript({"END \r\nENDX\r\nEND\r\nABOUT\r\n", "ABOUT\r\n"}), U + U + kEnd);
  // At the end of input a short last read's piece is carried out, and so is
  // the unfinished piece a full read held back.
  EXPECT_EQ(Transcript({"ABOUT"}), I + kEof);
  const auto info = [](std::size_t bytes) {  // an ignored line of that many bytes
    return "INFO folder " + std::string(bytes - 14, 'f') + "\r\n";
  };
  EXPECT_EQ(Transcript({info(ReadBufferSize - 3) + "END"}), kEnd);
  // A line a full read cuts ("ABO" | "UT", or between CR and LF) is one piece.
  EXPECT_EQ(Transcript({info(ReadBufferSize - 3) + "ABOUT\r\n",
                        info(ReadBufferSize - 6) + "ABOUT\r\nABOUT\r\n"}),
            I + I + I + kEof);
  // A line after an empty piece is dropped even where it crosses the read
  // boundary ("ABO" | "UT").
  EXPECT_EQ(Transcript({"ABOUT\r\n\r\n" + std::string(ReadBufferSize - 14, 'f') + "\r\nABO" +
                        "UT\r\nABOUT\r\n"}),
            I + I + kEof);
  // An overlong line is read by its head; what exceeds the held bytes is lost.
  EXPECT_EQ(Transcript({"INFO timeout_turn 777 " + std::string(20000, 'x') + "\r\nABOUT\r\n",
                        std::string(20000, 'y') + "\r\nABOUT\r\n"}),
            I + U + I + kEof);
  EXPECT_EQ(engine.turn.TurnTimeLimit, 777);
  // An overlong line lasts up to its own CR LF, although its kept head ends
  // in a CR and a later read begins with LF: TURN 3,3 is part of it.
  EXPECT_EQ(Transcript(
                {std::string(4095, 'y') + "\r" + std::string(1024, 'z') + "\nTURN 3,3\r\nEND\r\n"}),
            U + kEnd);
  EXPECT_EQ(Transcript({}), kEof);
  // INFO keys are compared exactly and with case; only a match limit of 0 is
  // stored as 10000000.
  EXPECT_EQ(Transcript({"INFO timeout_match 0\r\nINFO timeout_turn 0\r\n",
                        "INFO rule 1\r\nINFO Timeout_turn 1\r\nINFO timeout_turn 5000\r\n"
                        "INFO max_memory 83886080\r\nEND\r\n"}),
            kEnd);
  EXPECT_EQ(std::tuple(engine.turn.TurnTimeLimit, engine.turn.MatchTimeLimit),
            std::tuple(5000, 10000000));
  EXPECT_EQ(engine.game, BoardGrid{});
}

// START answers before it loads. It clears the board and starts the search's
// game afresh: HurryMode, the match time used, the lowered tuning values and
// the tree. Limits and the value cache stay.
TEST_F(ProtocolLoopTest, StartBeginsAFreshGame) {
  Run({"INFO timeout_turn 700\r\nINFO timeout_match 90000\r\nSTART 20\r\nBEGIN\r\n"});
  ValueCell(engine.evaluator, engine.game, 10, 10, Own);
  auto& s = engine.search;
  s.store.RootId = CreateNode(s.store);
  std::tie(s.HurryMode, s.GameRunningTime, s.tuning, engine.turn.OpponentLastMove) =
      std::tuple(1, 85000, ShortMatchTuning, Cell{4, 5});
  EXPECT_EQ(Transcript({"START 20\r\n"}), kStartAnswer + kEof);
  EXPECT_EQ(engine.game, started);  // frame at 0 and 21
  EXPECT_EQ(std::tuple(engine.evaluator.network.hiddenCount, s.HurryMode, s.GameRunningTime,
                       s.store.NodeCount, s.store.RootId, s.tuning),
            std::tuple(100, 0, 0, 0, 0, StartTuning));
  const auto& t = engine.turn;
  EXPECT_EQ(std::tuple(t.TurnTimeLimit, t.MatchTimeLimit, t.OpponentLastMove),
            std::tuple(700, 90000, Cell{4, 5}));
  // The value cache and its counters live on across games.
  EXPECT_EQ(std::tuple(engine.evaluator.AnnCalls, CacheEntryCount(engine.evaluator.cache)),
            std::tuple(1, std::size_t{1}));
}

// START with a size other than 20 (none, 15, 21, -20) is refused and changes
// nothing, within a game or before one.
TEST_F(ProtocolLoopTest, StartRefusesOtherSizes) {
  for (const bool inGame : {false, true}) {
    if (inGame) Run({"START 20\r\nBEGIN\r\n"});
    const BoardGrid before = engine.game;
    engine.search.GameRunningTime = 1234;
    const std::string e = "ERROR unsupported size ", only = ", only 20 is played\r\n";
    EXPECT_EQ(Transcript({"START\r\nSTART 15\r\nSTART 21\r\nSTART -20\r\n"}),
              e + "0" + only + e + "15" + only + e + "21" + only + e + "-20" + only + kEof);
    EXPECT_EQ(engine.game, before);
    EXPECT_EQ(std::tuple(engine.gameStarted, engine.search.GameRunningTime),
              std::tuple(inGame, 1234));
  }
}

#ifndef _WIN32
// brain.map present but not readable: reported so, and the engine stops as
// when it is missing.
TEST_F(ProtocolLoopTest, UnreadableBrainMapStops) {
  const std::string path = directory_.File("brain.map");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  ASSERT_EQ(chmod(directory_.Dir().c_str(), 0755), 0);
  // Rights that read any file are put aside for the run.
  const bool root = geteuid() == 0;
  ASSERT_TRUE(!root || seteuid(65534) == 0);
  const std::string transcript = Transcript({"START 20\r\nBEGIN\r\n"});
  ASSERT_TRUE(!root || seteuid(0) == 0);
  EXPECT_EQ(transcript, "OK\r\n" + std::string(BrainUnreadableLine) + "\r\n");
  EXPECT_FALSE(engine.gameStarted);
}
#endif

TEST_F(ProtocolLoopTest, BeginAnswersTheCentreAndPauses) {
  Run({"START 20\r\n", "BEGIN\r\n"});
  EXPECT_EQ(output, kStartAnswer + "10,10\r\n");
  BoardGrid expected = started;
  expected(11, 11) = Own;
  EXPECT_EQ(engine.game, expected);
  EXPECT_EQ(delays, std::vector<int32_t>{BeginPause});
  // On an occupied centre BEGIN searches instead and never plays there.
  Run({"START 20\r\nBOARD\r\n10,10,2\r\nBEGIN\r\n"});
  const Cell move = MoveAnswer(kStartAnswer);
  EXPECT_EQ(std::tuple(move == Cell{11, 11}, engine.game(11, 11), delays.size()),
            std::tuple(false, Opponent, 2u));
}

TEST_F(ProtocolLoopTest, TurnRecordsTheStoneAndTheClockThenAnswersOneMove) {
  Run({"START 20\r\nBEGIN\r\n"});
  const int64_t readTime = now + 1000;  // the next read moves the clock
  Run({"TURN  3,4\r\n"});               // two blanks: the move text is empty, so 0,0
  EXPECT_EQ(std::tuple(engine.game(1, 1), engine.game(4, 5), engine.turn.OpponentLastMove,
                       engine.turn.TurnStartTime),
            std::tuple(Opponent, Empty, Cell{1, 1}, readTime));
  const Cell move = MoveAnswer("");
  // A move onto either side's stone is refused; nothing is written and the
  // loop reads on.
  const BoardGrid before = engine.game;
  const ProtocolMove own = ProtocolMoveOf(move);
  EXPECT_EQ(Transcript({"TURN 10,10\r\nTURN 0,0\r\nTURN " + MoveText(own) + "\r\nABOUT\r\n"}),
            "ERROR occupied cell 10,10\r\nERROR occupied cell 0,0\r\nERROR occupied cell " +
                MoveText(own) + "\r\n" + kIdentity + kEof);
  EXPECT_EQ(std::tuple(engine.game, engine.turn.OpponentLastMove), std::tuple(before, Cell{1, 1}));
  Run({"TURN 19,19\r\n"});
  EXPECT_EQ(engine.game(20, 20), Opponent);
}

// A full board has no move: BEGIN, DONE and a TURN that fills the last cell
// answer with an ERROR line and never name an occupied cell.
TEST_F(ProtocolLoopTest, FullBoardAnswersAnError) {
  std::string block = "START 20\r\nBOARD\r\n";
  for (int x = 0; x < 20; ++x) {
    for (int y = 0; y < 20; ++y) {
      if (x + y > 0)
        block += FormatInt(x) + "," + FormatInt(y) + ((x / 2 + y) % 2 ? ",1\r\n" : ",2\r\n");
    }
  }
  Run({block + "DONE\r\n"});
  EXPECT_EQ(MoveAnswer(kStartAnswer), (Cell{1, 1}));  // the only empty cell
  const std::string error = std::string(FullBoardError) + "\r\n";
  EXPECT_EQ(Transcript({"BEGIN\r\nBOARD\r\nDONE\r\n"}), error + error + kEof);
  engine.game(1, 1) = Empty;
  BoardGrid expected = engine.game;
  expected(1, 1) = Opponent;
  EXPECT_EQ(Transcript({"TURN 0,0\r\n"}), error + kEof);
  EXPECT_EQ(engine.game, expected);
}

TEST_F(ProtocolLoopTest, BoardBlockThenDone) {
  Run({"START 20\r\n", "TURN 0,0\r\n"});  // stones before the block stay
  const Cell first = MoveAnswer(kStartAnswer);
  // Commands inside the block are carried out (ABOUT); other lines are board
  // lines, and RESTART's owner reads 0, so it changes nothing.
  // Lines onto a stone are ignored (5,5 and 0,0).
  Run({"BOARD\r\n5,5,1\r\n6,6,2\r\n5,5,2\r\n0,0,1\r\n7,7,3\r\nRESTART\r\n", "ABOUT\r\n",
       "DONE\r\n"});
  EXPECT_FALSE(engine.BoardEntryMode);
  const BoardGrid& g = engine.game;
  EXPECT_EQ(std::tuple(g(1, 1), g(first.x, first.y), g(6, 6), g(7, 7), g(8, 8)),
            std::tuple(Opponent, Own, Own, Opponent, Empty));
  // TurnStartTime is taken after DONE's read.
  EXPECT_EQ(std::tuple(engine.turn.OpponentLastMove, engine.turn.TurnStartTime),
            std::tuple(Cell{7, 7}, now));
  MoveAnswer(kIdentity);

  // A block without opponent stones leaves OpponentLastMove as it was.
  Run({"BOARD\r\n9,9,1\r\n4,4,0\r\n"});
  EXPECT_EQ(std::tuple(engine.BoardEntryMode, engine.turn.OpponentLastMove, g(10, 10), g(5, 5)),
            std::tuple(true, Cell{7, 7}, Own, Empty));
}

TEST_F(ProtocolLoopTest, OutOfRangeCoordinatesWriteNothing) {
  Run({"START 20\r\n"});
  const Cell last = engine.turn.OpponentLastMove;
  Run({"TURN 20,3\r\nTURN 3,20\r\nTURN -1,0\r\nTURN 4294967296,0\r\n",
       "BOARD\r\n20,0,1\r\n0,20,2\r\n-1,4,2\r\n4,-1,1\r\n4294967297,1,2\r\nDONE\r\n"});
  EXPECT_EQ(engine.turn.OpponentLastMove, last);
  // DONE still answers on the untouched board: its move is the only stone.
  const Cell move = MoveAnswer(
      "ERROR bad move 20,3\r\nERROR bad move 3,20\r\nERROR bad move -1,0\r\n"
      "ERROR bad move 4294967296,0\r\n");
  BoardGrid expected = started;
  expected(move.x, move.y) = Own;
  EXPECT_EQ(engine.game, expected);
}

TEST_F(ProtocolLoopTest, GameCommandsBeforeStart) {
  EXPECT_EQ(Transcript({"BEGIN\r\nTURN 3,4\r\nBOARD\r\n5,5,2\r\n6,6,1\r\nDONE\r\n", "ABOUT\r\n",
                        "7,7,2\r\n"}),
            kNoGame + kNoGame + kNoGame + kIdentity + kUnknown + kEof);
  BoardGrid expected;  // no frame: no game was started
  std::tie(expected(6, 6), expected(7, 7)) = std::tuple(Opponent, Own);
  EXPECT_EQ(engine.game, expected);
  // DONE still ends the block.
  EXPECT_EQ(std::tuple(engine.BoardEntryMode, engine.turn.OpponentLastMove,
                       engine.turn.TurnStartTime, delays.size()),
            std::tuple(false, Cell{6, 6}, 0, 0u));
}

}  // namespace
}  // namespace ruvex
