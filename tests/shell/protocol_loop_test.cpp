// The protocol loop against a scripted console: exact answer bytes, exact
// grid cells, the stored limits, and the way the loop ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fake_streams.h"
#include "shell/engine.h"
#include "shell/io/text.h"
#include "shell/io/trace.h"
#include "shell/protocol_loop.h"
#include "shell/protocol_text.h"
#include "shell/settings.h"
#include "temp_dir.h"

namespace ruvex {
namespace {

const std::string kIdentity =
    "name=\"Ruvex\", version=\"v2.0.0\", author=\"Tolvane\", country=\"Castria\"\r\n";
const std::string kNoGame = "ERROR no game started, send START first\r\n";
// START's answer. NewGame's network load adds the loader's found line here.
const std::string kStartAnswer = "OK\r\nMESSAGE brain.map found, Loading neurons...\r\n";

// The cell named by a move answer "x,y" (protocol coordinates).
Cell CellOfAnswer(const std::string& line) {
  const ProtocolMove move = ReadMove(line);
  EXPECT_TRUE(OnBoard(move)) << line;
  EXPECT_EQ(ProtocolMoveText(move), line) << "not a plain move answer";
  return GridCellOf(move);
}

class ProtocolLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // START loads brain.map from the executable directory: give it one of
    // zero weights (8585 doubles) in a directory of its own.
    ASSERT_FALSE(directory_.Dir().empty());
    std::ofstream(directory_.File("brain.map"), std::ios::binary)
        << std::string(8585 * sizeof(double), '\0');

    InitEngine(engine, streams.MakeConsole(), directory_.Dir());
    // One clock for the loop and the search: it stands still during a
    // command and moves 1000 ms whenever a read delivers bytes.
    streams.onRead = [this] {
      if (!streams.chunks.empty()) now += 1000;
    };
    engine.search.probes.elapsed = [this] {
      ++clockReadings;
      return now;
    };
    engine.search.probes.memory = [] { return uint64_t{0}; };
    // With the clock standing still during a command, a match limit above a
    // minute and no turn limit end every search before its first iteration:
    // these tests are about the protocol; the search has tests of its own.
    engine.turn.MatchTimeLimit = 100000;
    engine.delay = [this](int32_t ms) { delays.push_back(ms); };
    previousSink_ = SetTraceSink([this](std::string_view line) { traces.emplace_back(line); });
  }

  void TearDown() override { SetTraceSink(previousSink_); }

  LoopExit Run(std::vector<std::string> chunks) {
    streams.chunks.assign(chunks.begin(), chunks.end());
    return ProtocolLoop(engine);
  }

  // A freshly started board, to compare whole grids with.
  static BoardGrid StartedGrid() {
    BoardGrid grid;
    ClearBoard(grid);
    return grid;
  }

  bool Traced(const std::string& line) const {
    return std::find(traces.begin(), traces.end(), line) != traces.end();
  }

  testing::FakeStreams streams;
  Engine engine;
  int64_t now = 0;
  int clockReadings = 0;
  std::vector<int32_t> delays;
  std::vector<std::string> traces;

 private:
  testing::TempDir directory_{"ruvex-shell"};
  TraceSink previousSink_;
};

TEST_F(ProtocolLoopTest, TwoCommandsInOneRead) {
  EXPECT_EQ(Run({"ABOUT\r\nABOUT\r\n"}), LoopExit::InputClosed);
  EXPECT_EQ(streams.output, kIdentity + kIdentity);
  EXPECT_EQ(streams.writes.size(), 2u);  // each answer is one flushed write
}

TEST_F(ProtocolLoopTest, EmptyPieceDropsTheRestOfItsReadOnly) {
  Run({"ABOUT\r\n\r\nABOUT\r\n", "ABOUT\r\n"});
  EXPECT_EQ(streams.output, kIdentity + kIdentity);
}

TEST_F(ProtocolLoopTest, LfOnlyLines) {
  // "ABOUT\n" still starts with ABOU; "END\n" is not exactly END.
  EXPECT_EQ(Run({"ABOUT\n", "END\n", "ABOUT\r\n"}), LoopExit::InputClosed);
  EXPECT_EQ(streams.output, kIdentity + "UNKNOWN\r\n" + kIdentity);
}

TEST_F(ProtocolLoopTest, CommandSplitOverTwoShortReadsIsTwoPieces) {
  Run({"AB", "OUT\r\n"});
  EXPECT_EQ(streams.output, "UNKNOWN\r\nUNKNOWN\r\n");
}

TEST_F(ProtocolLoopTest, StartIgnoresTheSizeAndLowerCaseIsUnknown) {
  Run({"start 20\r\n"});
  EXPECT_EQ(streams.output, "UNKNOWN\r\n");
  EXPECT_FALSE(engine.gameStarted);
  EXPECT_EQ(engine.game, BoardGrid{});

  streams.output.clear();
  Run({"START 15\r\n"});
  EXPECT_EQ(streams.output, kStartAnswer);
  EXPECT_TRUE(engine.gameStarted);
  EXPECT_EQ(engine.game, StartedGrid());  // 20 x 20 with its frame at 0 and 21
  EXPECT_TRUE(Traced("Total Templates: 0"));
  const std::string directory = std::filesystem::current_path().string() +
                                static_cast<char>(std::filesystem::path::preferred_separator);
  EXPECT_TRUE(Traced(directory)) << directory;

  streams.output.clear();
  Run({"TURN 19,19\r\n"});
  EXPECT_EQ(engine.game(20, 20), Opponent);  // a 15 x 15 board would have refused it
}

TEST_F(ProtocolLoopTest, StartClearsTheBoardAndHurryModeButKeepsLimits) {
  Run({"INFO timeout_turn 700\r\nINFO timeout_match 90000\r\nSTART 20\r\nBEGIN\r\n"});
  engine.search.HurryMode = 1;
  engine.turn.OpponentLastMove = {4, 5};
  Run({"START 20\r\n"});
  EXPECT_EQ(engine.game, StartedGrid());
  EXPECT_EQ(engine.search.HurryMode, 0);
  EXPECT_EQ(engine.turn.TurnTimeLimit, 700);
  EXPECT_EQ(engine.turn.MatchTimeLimit, 90000);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{4, 5}));
}

TEST_F(ProtocolLoopTest, EndIsMatchedExactlyAndEndsTheLoopSilently) {
  EXPECT_EQ(Run({"END \r\nENDX\r\nEND\r\nABOUT\r\n", "ABOUT\r\n"}), LoopExit::End);
  EXPECT_EQ(streams.output, "UNKNOWN\r\nUNKNOWN\r\n");
  EXPECT_EQ(streams.reads, 1);  // nothing is read after END
  EXPECT_TRUE(Traced("Shutting Down"));
  EXPECT_FALSE(Traced("bye"));
}

TEST_F(ProtocolLoopTest, DiagnosticLinesOfTheLoop) {
  Run({"INFO timeout_turn 5000\r\nINFO timeout_match 0\r\nEND\r\n"});
  EXPECT_EQ(traces, (std::vector<std::string>{"started!", "msTurnTime: 5000",
                                              "timeout_match: 10000000", "Shutting Down"}));
}

TEST_F(ProtocolLoopTest, InfoStoresLimitsSilently) {
  Run({"INFO timeout_match 0\r\n", "INFO timeout_turn 5000\r\n", "INFO rule 1\r\n",
       "INFO max_memory 83886080\r\nINFO time_left 2000\r\nINFO folder /tmp\r\n"});
  EXPECT_EQ(streams.output, "");
  EXPECT_EQ(engine.turn.MatchTimeLimit, 10000000);
  EXPECT_EQ(engine.turn.TurnTimeLimit, 5000);
  EXPECT_EQ(engine.game, BoardGrid{});

  Run({"INFO timeout_match 180000\r\ninfo timeout_turn 1\r\n"});
  EXPECT_EQ(engine.turn.MatchTimeLimit, 180000);
  EXPECT_EQ(engine.turn.TurnTimeLimit, 5000);
  EXPECT_EQ(streams.output, "UNKNOWN\r\n");
}

TEST_F(ProtocolLoopTest, BeginAnswersTheCentreAndPauses) {
  Run({"START 20\r\n", "BEGIN\r\n"});
  EXPECT_EQ(streams.output, kStartAnswer + "10,10\r\n");
  BoardGrid expected = StartedGrid();
  expected(11, 11) = Own;
  EXPECT_EQ(engine.game, expected);
  EXPECT_EQ(delays, std::vector<int32_t>{BeginPause});
}

TEST_F(ProtocolLoopTest, BeginOnAnOccupiedCentreNeverPlaysThere) {
  Run({"START 20\r\nBOARD\r\n10,10,2\r\nBEGIN\r\n"});
  ASSERT_EQ(streams.output.substr(0, kStartAnswer.size()), kStartAnswer);
  const std::string answer = streams.output.substr(kStartAnswer.size());
  ASSERT_TRUE(answer.ends_with("\r\n"));
  ASSERT_NE(answer, "10,10\r\n");
  const Cell move = CellOfAnswer(answer.substr(0, answer.size() - 2));
  EXPECT_EQ(engine.game(move.x, move.y), Own);
  EXPECT_EQ(engine.game(11, 11), Opponent);
  EXPECT_EQ(delays, std::vector<int32_t>{BeginPause});
}

TEST_F(ProtocolLoopTest, TurnRecordsTheStoneAndTheClockThenAnswersOneMove) {
  Run({"START 20\r\n"});
  const int64_t readTime = now + 1000;  // the next read moves the clock
  streams.output.clear();
  const int readingsBefore = clockReadings;
  Run({"TURN 0,0\r\n"});
  EXPECT_EQ(engine.game(1, 1), Opponent);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{1, 1}));
  EXPECT_EQ(engine.turn.TurnStartTime, readTime);
  EXPECT_GE(clockReadings, readingsBefore + 2);  // loop start, then the turn start

  ASSERT_TRUE(streams.output.ends_with("\r\n"));
  const std::string line = streams.output.substr(0, streams.output.size() - 2);
  ASSERT_EQ(line.find("\r\n"), std::string::npos) << "exactly one answer line";
  const Cell move = CellOfAnswer(line);
  EXPECT_NE(move, (Cell{1, 1}));
  EXPECT_EQ(engine.game(move.x, move.y), Own);
}

TEST_F(ProtocolLoopTest, TurnWithTwoBlanksReadsAnEmptyMove) {
  Run({"START 20\r\nTURN  3,4\r\n"});
  EXPECT_EQ(engine.game(1, 1), Opponent);
  EXPECT_EQ(engine.game(4, 5), Empty);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{1, 1}));
}

TEST_F(ProtocolLoopTest, TurnOnAnOccupiedCellOverwritesItAndTheEnginePlaysAnEmptyCell) {
  Run({"START 20\r\nBEGIN\r\n"});
  const BoardGrid before = [&] {
    BoardGrid g = engine.game;
    g(11, 11) = Opponent;
    return g;
  }();
  streams.output.clear();
  Run({"TURN 10,10\r\n"});
  EXPECT_EQ(engine.game(11, 11), Opponent);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{11, 11}));
  ASSERT_TRUE(streams.output.ends_with("\r\n"));
  const Cell move = CellOfAnswer(streams.output.substr(0, streams.output.size() - 2));
  EXPECT_EQ(before(move.x, move.y), Empty);
  EXPECT_EQ(engine.game(move.x, move.y), Own);
}

TEST_F(ProtocolLoopTest, BoardBlockThenDone) {
  Run({"START 20\r\n", "TURN 0,0\r\n"});  // a stone before the block stays
  const Cell firstAnswer = CellOfAnswer(
      streams.output.substr(kStartAnswer.size(), streams.output.size() - kStartAnswer.size() - 2));
  streams.output.clear();
  Run({"BOARD\r\n5,5,1\r\n6,6,2\r\n7,7,3\r\nRESTART\r\n", "ABOUT\r\n", "DONE\r\n"});
  EXPECT_FALSE(engine.BoardEntryMode);
  EXPECT_EQ(engine.game(1, 1), Opponent);
  EXPECT_EQ(engine.game(firstAnswer.x, firstAnswer.y), Own);
  EXPECT_EQ(engine.game(6, 6), Own);
  EXPECT_EQ(engine.game(7, 7), Opponent);
  EXPECT_EQ(engine.game(8, 8), Empty);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{7, 7}));
  EXPECT_EQ(engine.turn.TurnStartTime, now);  // taken after DONE's read

  // Commands inside the block are carried out (ABOUT); other lines are board
  // lines, and RESTART's owner reads 0, so it changes nothing and is not
  // answered. DONE answers exactly one move.
  ASSERT_EQ(streams.output.substr(0, kIdentity.size()), kIdentity);
  const std::string rest = streams.output.substr(kIdentity.size());
  ASSERT_TRUE(rest.ends_with("\r\n"));
  const std::string line = rest.substr(0, rest.size() - 2);
  ASSERT_EQ(line.find('\n'), std::string::npos) << rest;
  const Cell move = CellOfAnswer(line);
  EXPECT_EQ(engine.game(move.x, move.y), Own);
  int own = 0;
  for (int8_t v : engine.game.cells) own += v == Own;
  EXPECT_EQ(own, 3);  // first answer, 5,5,1 and DONE's answer
}

TEST_F(ProtocolLoopTest, BoardBlockWithoutOpponentStonesKeepsOpponentLastMove) {
  Run({"START 20\r\nTURN 2,3\r\n"});
  Run({"BOARD\r\n9,9,1\r\n4,4,0\r\n"});
  EXPECT_TRUE(engine.BoardEntryMode);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{3, 4}));
  EXPECT_EQ(engine.game(10, 10), Own);
  EXPECT_EQ(engine.game(5, 5), Empty);
}

// A BOARD block of more than one read's worth, arriving at once. The INFO
// folder line (ignored) pads the text so that the first read's boundary
// falls where the case needs it.
struct BigBlock {
  std::string text;
  std::vector<BoardEntry> stones;
};

BigBlock MakeBigBlock(std::size_t padding) {
  BigBlock block;
  block.text = "START 20\r\nINFO folder " + std::string(padding, 'p') + "\r\nBOARD\r\n";
  for (int x = 0; x < 20; x += 2) {
    for (int y = 0; y < 20; ++y) {
      const int64_t owner = (x + y) % 4 == 0 ? 2 : 1;
      block.stones.push_back({{x, y}, owner});
      block.text += FormatInt(x) + "," + FormatInt(y) + "," + FormatInt(owner) + "\r\n";
    }
  }
  block.text += "DONE\r\n";
  return block;
}

// Padding that puts byte ReadBufferSize - 1 (the last byte of the first read)
// on a byte that satisfies lastByteOk, inside the BOARD block.
BigBlock BigBlockWithBoundary(bool (*lastByteOk)(const std::string&, std::size_t)) {
  for (std::size_t padding = 1; padding < 64; ++padding) {
    BigBlock block = MakeBigBlock(padding);
    const std::size_t last = ReadBufferSize - 1;
    if (block.text.find("BOARD") < last && lastByteOk(block.text, last)) return block;
  }
  ADD_FAILURE() << "no padding gives the wanted boundary";
  return {};
}

void ExpectEveryStoneLanded(const Engine& engine, const BigBlock& block) {
  for (const BoardEntry& stone : block.stones) {
    const Cell cell = GridCellOf(stone.move);
    // DONE's own move is the only other stone; every listed one keeps its owner.
    EXPECT_EQ(engine.game(cell.x, cell.y), stone.owner == 2 ? Opponent : Own)
        << stone.move.x << "," << stone.move.y;
  }
  int stones = 0;
  for (int8_t v : engine.game.cells) stones += IsStone(v);
  EXPECT_EQ(stones, static_cast<int>(block.stones.size()) + 1);
}

TEST_F(ProtocolLoopTest, BigBoardBlockWithTheReadBoundaryInsideALine) {
  const BigBlock block = BigBlockWithBoundary([](const std::string& text, std::size_t last) {
    return text[last] == ',' && text[last + 1] != '\r';  // "x," | "y,owner"
  });
  ASSERT_GT(block.text.size(), ReadBufferSize);
  EXPECT_EQ(Run({block.text}), LoopExit::InputClosed);
  EXPECT_EQ(streams.reads, 3);  // two reads of text, then end of input
  ExpectEveryStoneLanded(engine, block);
  ASSERT_EQ(streams.output.substr(0, kStartAnswer.size()), kStartAnswer);
  const std::string rest = streams.output.substr(kStartAnswer.size());
  ASSERT_TRUE(rest.ends_with("\r\n"));
  CellOfAnswer(rest.substr(0, rest.size() - 2));  // one move line, nothing else
}

TEST_F(ProtocolLoopTest, BigBoardBlockWithTheReadBoundaryBetweenCrAndLf) {
  const BigBlock block = BigBlockWithBoundary([](const std::string& text, std::size_t last) {
    return text[last] == '\r' && text[last + 1] == '\n';
  });
  EXPECT_EQ(Run({block.text}), LoopExit::InputClosed);
  ExpectEveryStoneLanded(engine, block);
  const std::string rest = streams.output.substr(kStartAnswer.size());
  ASSERT_TRUE(rest.ends_with("\r\n"));
  CellOfAnswer(rest.substr(0, rest.size() - 2));
}

TEST_F(ProtocolLoopTest, OverlongLineIsReadByItsHeadAndMemoryStaysBounded) {
  // 20 KB without CR LF, then the end of that line and a command.
  Run({"INFO timeout_turn 777 " + std::string(20000, 'x') + "\r\nABOUT\r\n",
       std::string(20000, 'y') + "\r\nABOUT\r\n"});
  EXPECT_EQ(engine.turn.TurnTimeLimit, 777);
  EXPECT_EQ(streams.output, kIdentity + "UNKNOWN\r\n" + kIdentity);
}

TEST_F(ProtocolLoopTest, OutOfRangeCoordinatesWriteNothing) {
  Run({"START 20\r\n"});
  streams.output.clear();
  const Cell last = engine.turn.OpponentLastMove;
  Run({"TURN 20,3\r\nTURN 3,20\r\nTURN -1,0\r\nTURN 4294967296,0\r\n",
       "BOARD\r\n20,0,1\r\n0,20,2\r\n-1,4,2\r\n4,-1,1\r\n4294967297,1,2\r\nDONE\r\n"});
  EXPECT_EQ(engine.turn.OpponentLastMove, last);
  const std::string errors =
      "ERROR bad move 20,3\r\nERROR bad move 3,20\r\nERROR bad move -1,0\r\n"
      "ERROR bad move 4294967296,0\r\n";
  ASSERT_EQ(streams.output.substr(0, errors.size()), errors);
  // DONE still answers on the untouched board: its move is the only stone.
  const std::string rest = streams.output.substr(errors.size());
  ASSERT_TRUE(rest.ends_with("\r\n"));
  const Cell move = CellOfAnswer(rest.substr(0, rest.size() - 2));
  BoardGrid expected = StartedGrid();
  expected(move.x, move.y) = Own;
  EXPECT_EQ(engine.game, expected);
}

TEST_F(ProtocolLoopTest, GameCommandsBeforeStart) {
  EXPECT_EQ(
      Run({"BEGIN\r\nTURN 3,4\r\nBOARD\r\n5,5,2\r\n6,6,1\r\nDONE\r\n", "ABOUT\r\n", "7,7,2\r\n"}),
      LoopExit::InputClosed);
  EXPECT_EQ(streams.output, kNoGame + kNoGame + kNoGame + kIdentity + "UNKNOWN\r\n");
  EXPECT_FALSE(engine.BoardEntryMode);  // DONE still ends the block
  BoardGrid expected;                   // no frame: no game was started
  expected(6, 6) = Opponent;
  expected(7, 7) = Own;
  EXPECT_EQ(engine.game, expected);
  EXPECT_EQ(engine.turn.OpponentLastMove, (Cell{6, 6}));
  EXPECT_EQ(engine.turn.TurnStartTime, 0);
  EXPECT_TRUE(delays.empty());

  // START then begins a game on a clean board.
  streams.output.clear();
  Run({"START 20\r\nBEGIN\r\n"});
  EXPECT_EQ(streams.output, kStartAnswer + "10,10\r\n");
  BoardGrid started = StartedGrid();
  started(11, 11) = Own;
  EXPECT_EQ(engine.game, started);
}

TEST_F(ProtocolLoopTest, EndOfInput) {
  EXPECT_EQ(Run({}), LoopExit::InputClosed);
  EXPECT_EQ(streams.output, "");
  EXPECT_EQ(streams.reads, 1);  // no spinning on an ended stream
  EXPECT_EQ(traces, (std::vector<std::string>{"started!", "bye"}));
}

TEST_F(ProtocolLoopTest, UnfinishedLastLineOfAFullReadIsCarriedOutAtEndOfInput) {
  // A last short read's piece is processed as it stands ...
  Run({"ABOUT"});
  EXPECT_EQ(streams.output, kIdentity);
  // ... and so is the held piece of a full read when nothing follows it.
  streams.output.clear();
  const std::string filler = "INFO folder " + std::string(ReadBufferSize - 12 - 2 - 3, 'f');
  const std::string text = filler + "\r\nEND";
  ASSERT_EQ(text.size(), ReadBufferSize);
  EXPECT_EQ(Run({text}), LoopExit::End);
  EXPECT_EQ(streams.output, "");
}

TEST_F(ProtocolLoopTest, LineAfterAnEmptyPieceIsDroppedEvenWhenItCrossesTheReadBoundary) {
  const std::string head = "ABOUT\r\n\r\n";
  const std::string filler(ReadBufferSize - head.size() - 2 - 3, 'f');
  const std::string first = head + filler + "\r\nABO";
  ASSERT_EQ(first.size(), ReadBufferSize);
  Run({first + "UT\r\nABOUT\r\n"});
  EXPECT_EQ(streams.output, kIdentity + kIdentity);
}

}  // namespace
}  // namespace ruvex
