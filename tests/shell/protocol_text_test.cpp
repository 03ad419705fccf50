// Protocol text handling: command keys, moves, board lines, INFO items and
// the cutting of reads into pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/protocol_text.h"
#include "shell/settings.h"

namespace ruvex {
namespace {

TEST(MatchCommand, FirstFourCharactersExactAndWithCase) {
  EXPECT_EQ(MatchCommand("START 20"), CommandKey::Start);
  EXPECT_EQ(MatchCommand("STARTLE"), CommandKey::Start);
  EXPECT_EQ(MatchCommand("STAR"), CommandKey::Start);
  EXPECT_EQ(MatchCommand("STA"), CommandKey::None);
  EXPECT_EQ(MatchCommand("start 20"), CommandKey::None);
  EXPECT_EQ(MatchCommand("BEGIN"), CommandKey::Begin);
  EXPECT_EQ(MatchCommand("TURN 9,10"), CommandKey::Turn);
  EXPECT_EQ(MatchCommand("TURNX"), CommandKey::Turn);
  EXPECT_EQ(MatchCommand("INFO timeout_turn 5"), CommandKey::Info);
  EXPECT_EQ(MatchCommand("BOARD"), CommandKey::Board);
  EXPECT_EQ(MatchCommand("DONE"), CommandKey::Done);
  EXPECT_EQ(MatchCommand("ABOUT"), CommandKey::About);
  EXPECT_EQ(MatchCommand("ABOUT\n"), CommandKey::About);  // LF-only line: still four characters
  EXPECT_EQ(MatchCommand(" ABOUT"), CommandKey::None);    // no trimming
  EXPECT_EQ(MatchCommand("RESTART"), CommandKey::None);
  EXPECT_EQ(MatchCommand(""), CommandKey::None);
}

TEST(MatchCommand, EndOnlyAsTheWholePiece) {
  EXPECT_EQ(MatchCommand("END"), CommandKey::End);
  EXPECT_EQ(MatchCommand("END "), CommandKey::None);
  EXPECT_EQ(MatchCommand("ENDX"), CommandKey::None);
  EXPECT_EQ(MatchCommand("END\n"), CommandKey::None);
  EXPECT_EQ(MatchCommand("EN"), CommandKey::None);
  EXPECT_EQ(MatchCommand("end"), CommandKey::None);
}

TEST(ReadMoves, TurnMoveIsField2CutAtSingleBlanks) {
  ProtocolMove m = ReadTurnMove("TURN 9,10");
  EXPECT_EQ(m.x, 9);
  EXPECT_EQ(m.y, 10);
  m = ReadTurnMove("TURN  3,4");  // two blanks: field 2 is empty
  EXPECT_EQ(m.x, 0);
  EXPECT_EQ(m.y, 0);
  m = ReadTurnMove("TURN 7");
  EXPECT_EQ(m.x, 7);
  EXPECT_EQ(m.y, 0);
  m = ReadTurnMove("TURN -1,$13");
  EXPECT_EQ(m.x, -1);
  EXPECT_EQ(m.y, 19);
}

TEST(ReadMoves, BoardEntryLine) {
  BoardEntry e = ReadBoardEntry("5,7,1");
  EXPECT_EQ(e.move.x, 5);
  EXPECT_EQ(e.move.y, 7);
  EXPECT_EQ(e.owner, 1);
  e = ReadBoardEntry("5,7");
  EXPECT_EQ(e.owner, 0);
  e = ReadBoardEntry("RESTART");
  EXPECT_EQ(e.move.x, 0);
  EXPECT_EQ(e.owner, 0);
  e = ReadBoardEntry(" 3, 4,\t2");
  EXPECT_EQ(e.move.x, 3);
  EXPECT_EQ(e.move.y, 4);
  EXPECT_EQ(e.owner, 2);
}

TEST(ReadMoves, OnBoardCoversExactlyTheTwentyColumnsAndRows) {
  EXPECT_TRUE(OnBoard({0, 0}));
  EXPECT_TRUE(OnBoard({19, 19}));
  EXPECT_TRUE(OnBoard({0, 19}));
  EXPECT_FALSE(OnBoard({20, 3}));
  EXPECT_FALSE(OnBoard({3, 20}));
  EXPECT_FALSE(OnBoard({-1, 0}));
  EXPECT_FALSE(OnBoard({0, -1}));
  EXPECT_FALSE(OnBoard({4294967297, 0}));  // would look like 1 if cut to 32 bits
  EXPECT_EQ(GridCellOf({0, 0}), (Cell{1, 1}));
  EXPECT_EQ(GridCellOf({19, 19}), (Cell{20, 20}));
  EXPECT_EQ(GridCellOf({5, 7}), (Cell{6, 8}));
  EXPECT_EQ(BadMoveError({20, 3}), "ERROR bad move 20,3");
  EXPECT_EQ(BadMoveError({-1, 99999999999}), "ERROR bad move -1,99999999999");
}

TEST(Info, KeysAndValues) {
  InfoItem item = ReadInfo("INFO timeout_turn 5000");
  EXPECT_EQ(item.key, "timeout_turn");
  EXPECT_EQ(item.value, 5000);
  item = ReadInfo("INFO timeout_turn  5000");  // empty field 3
  EXPECT_EQ(item.value, 0);
  item = ReadInfo("INFO");
  EXPECT_EQ(item.key, "");
  EXPECT_EQ(item.value, 0);
}

TEST(Info, StoresTurnAndMatchLimitsAndIgnoresOtherKeys) {
  TurnInfo limits;
  EXPECT_EQ(ApplyInfo(limits, {"timeout_turn", 5000}), "msTurnTime: 5000");
  EXPECT_EQ(limits.TurnTimeLimit, 5000);
  EXPECT_EQ(ApplyInfo(limits, {"timeout_match", 0}), "timeout_match: 10000000");
  EXPECT_EQ(limits.MatchTimeLimit, UnlimitedMatchTime);
  EXPECT_EQ(ApplyInfo(limits, {"timeout_match", 180000}), "timeout_match: 180000");
  EXPECT_EQ(limits.MatchTimeLimit, 180000);
  EXPECT_EQ(ApplyInfo(limits, {"timeout_turn", 0}), "msTurnTime: 0");
  EXPECT_EQ(limits.TurnTimeLimit, 0);

  const TurnInfo before = limits;
  for (const char* key : {"rule", "max_memory", "time_left", "game_type", "folder", "Timeout_turn",
                          "timeout_turn ", ""}) {
    EXPECT_EQ(ApplyInfo(limits, {key, 1}), "") << key;
  }
  EXPECT_EQ(limits.TurnTimeLimit, before.TurnTimeLimit);
  EXPECT_EQ(limits.MatchTimeLimit, before.MatchTimeLimit);
}

TEST(IdentityLine, ExactText) {
  EXPECT_EQ(IdentityLine("v2.0.0"),
            R"(name="Ruvex", version="v2.0.0", author="Tolvane", country="Castria")");
  EXPECT_EQ(IdentityLine(Settings{}.EngineVersion), IdentityLine("v2.0.0"));
}

// The pieces of one cut, as strings.
std::vector<std::string> Cut(ChunkCutter& cutter, const std::string& bytes,
                             std::size_t bufferSize = ReadBufferSize) {
  CutChunk(cutter, bytes, bufferSize);
  return std::vector<std::string>(cutter.pieces.begin(), cutter.pieces.end());
}

using Pieces = std::vector<std::string>;

TEST(ChunkCutter, CutsAtCrLfPairsOnlyAndStopsAtTheFirstEmptyPiece) {
  ChunkCutter c;
  EXPECT_EQ(Cut(c, "ABOUT\r\nABOUT\r\n"), (Pieces{"ABOUT", "ABOUT"}));
  EXPECT_EQ(Cut(c, "ABOUT\r\n\r\nABOUT\r\n"), (Pieces{"ABOUT"}));
  EXPECT_EQ(Cut(c, "A\nB\rC\r\nD"), (Pieces{"A\nB\rC", "D"}));
  EXPECT_EQ(Cut(c, "AB"), (Pieces{"AB"}));  // a short read's last piece as it stands
  EXPECT_EQ(Cut(c, "\r\nABOUT\r\n"), (Pieces{}));
  EXPECT_EQ(Cut(c, ""), (Pieces{}));
  EXPECT_TRUE(c.held.empty());
}

TEST(ChunkCutter, TextEndsAtTheFirstZeroByte) {
  ChunkCutter c;
  EXPECT_EQ(Cut(c, std::string("ABOUT\r\nEN\0D\r\nBEGIN\r\n", 20)), (Pieces{"ABOUT", "EN"}));
  // A full read cut short by a zero byte holds nothing back.
  std::string full(8, 'x');
  full[3] = '\0';
  EXPECT_EQ(Cut(c, full, 8), (Pieces{"xxx"}));
  EXPECT_TRUE(c.held.empty());
}

TEST(ChunkCutter, FullReadHoldsItsUnfinishedLastPieceForTheNextRead) {
  ChunkCutter c;
  // Buffer of 10: "BOARD\r\n1,1" fills it and ends inside a line.
  EXPECT_EQ(Cut(c, "BOARD\r\n1,1", 10), (Pieces{"BOARD"}));
  EXPECT_EQ(c.held, "1,1");
  EXPECT_EQ(Cut(c, "0,2\r\nDONE", 10), (Pieces{"1,10,2", "DONE"}));
  EXPECT_TRUE(c.held.empty());

  // Boundary between CR and LF.
  EXPECT_EQ(Cut(c, "BOARD\r\n1,\r", 10), (Pieces{"BOARD"}));
  EXPECT_EQ(c.held, "1,\r");
  EXPECT_EQ(Cut(c, "\nDONE\r\n", 10), (Pieces{"1,", "DONE"}));

  // A full read that ends in CR LF holds nothing.
  EXPECT_EQ(Cut(c, "ABOUT\r\nX\r\n", 10), (Pieces{"ABOUT", "X"}));
  EXPECT_TRUE(c.held.empty());

  // A line longer than one read grows over several full reads.
  EXPECT_EQ(Cut(c, "0123456789", 10), (Pieces{}));
  EXPECT_EQ(Cut(c, "abcdefghij", 10), (Pieces{}));
  EXPECT_EQ(Cut(c, "k\r\n", 10), (Pieces{"0123456789abcdefghijk"}));
}

TEST(ChunkCutter, HeldPieceAfterAnEmptyPieceIsDroppedWithItsWholeLine) {
  ChunkCutter c;
  EXPECT_EQ(Cut(c, "ABOUT\r\n\r\nAB", 11), (Pieces{"ABOUT"}));
  EXPECT_TRUE(c.heldDropped);
  EXPECT_EQ(Cut(c, "OUT\r\nDONE\r\n", 11), (Pieces{"DONE"}));  // "ABOUT" is not carried out
  EXPECT_TRUE(c.held.empty());

  // Still unfinished after the next full read: it stays dropped.
  EXPECT_EQ(Cut(c, "X\r\n\r\nLONG", 9), (Pieces{"X"}));
  EXPECT_EQ(Cut(c, "LINELINE1", 9), (Pieces{}));
  EXPECT_TRUE(c.heldDropped);
  EXPECT_EQ(Cut(c, "2\r\nDONE", 9), (Pieces{"DONE"}));
  EXPECT_EQ(TakeHeldPiece(c), "");
}

TEST(ChunkCutter, HeldPieceIsBoundedAndKeepsAFinalCr) {
  ChunkCutter c;
  const std::string garbage(ReadBufferSize, 'x');
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(Cut(c, garbage), (Pieces{}));
    EXPECT_LE(c.held.size(), MaxHeldBytes);
    EXPECT_LE(c.text.size(), MaxHeldBytes + ReadBufferSize);
  }
  EXPECT_EQ(c.held.size(), MaxHeldBytes);
  std::string withCr = garbage;
  withCr.back() = '\r';
  EXPECT_EQ(Cut(c, withCr), (Pieces{}));
  EXPECT_EQ(c.held.size(), MaxHeldBytes + 1);
  EXPECT_EQ(c.held.back(), '\r');
  // The LF of the next read completes the pair: the long line ends, and the
  // following command is a piece of its own.
  const Pieces pieces = Cut(c, "\nABOUT\r\n");
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], std::string(MaxHeldBytes, 'x'));
  EXPECT_EQ(pieces[1], "ABOUT");
}

TEST(ChunkCutter, TakeHeldPieceAtEndOfInput) {
  ChunkCutter c;
  EXPECT_EQ(TakeHeldPiece(c), "");
  Cut(c, "ABOUT\r\nEND", 10);
  EXPECT_EQ(TakeHeldPiece(c), "END");
  EXPECT_EQ(TakeHeldPiece(c), "");
}

}  // namespace
}  // namespace ruvex

namespace ruvex {
namespace {

TEST(Settings, StartUpValues) {
  const Settings settings;
  EXPECT_EQ(settings.BoardSize, 20);
  EXPECT_EQ(settings.EngineVersion, "v2.0.0");
  EXPECT_EQ(settings.HiddenUnitCount, 100);
  EXPECT_EQ(settings.EvalCacheSlots, 50000u);
  EXPECT_EQ(ExitCode, 0);
  EXPECT_EQ(ReadBufferSize, 1024u);
  EXPECT_EQ(UnlimitedMatchTime, 10000000);
}

}  // namespace
}  // namespace ruvex
