// Cutting reads into pieces, with buffers small enough to put every boundary
// where a case needs it. The protocol loop tests run the same rules through
// whole 1024-byte reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/protocol_text.h"
#include "shell/settings.h"

namespace ruvex {
namespace {

using Pieces = std::vector<std::string>;

// The pieces of one read; buffer is the size of the buffer the read could fill.
Pieces Cut(ChunkCutter& cutter, const std::string& bytes, std::size_t buffer = ReadBufferSize) {
  CutChunk(cutter, bytes, buffer);
  return Pieces(cutter.pieces.begin(), cutter.pieces.end());
}

TEST(ChunkCutter, PiecesOfShortAndFullReads) {
  ChunkCutter c;
  // CR LF pairs only cut; a lone LF or CR is an ordinary character.
  EXPECT_EQ(Cut(c, "A\nB\rC\r\nD"), (Pieces{"A\nB\rC", "D"}));
  EXPECT_EQ(Cut(c, "\r\nABOUT\r\n"), Pieces{});  // a leading empty piece drops it all
  // The text ends at the first zero byte; a full read cut short by one holds
  // nothing back, and nor does a full read that ends in CR LF.
  EXPECT_EQ(Cut(c, std::string("ABOUT\r\nEN\0D\r\nBEGIN\r\n", 20)), (Pieces{"ABOUT", "EN"}));
  EXPECT_EQ(Cut(c, std::string("xxx\0xxxx", 8), 8), (Pieces{"xxx"}));
  EXPECT_EQ(TakeHeldPiece(c), "");
  EXPECT_EQ(Cut(c, "ABOUT\r\nX\r\n", 10), (Pieces{"ABOUT", "X"}));
  EXPECT_EQ(TakeHeldPiece(c), "");
  // A full read's unfinished piece waits for the next read, even when only
  // its CR has arrived.
  EXPECT_EQ(Cut(c, "BOARD\r\n1,\r", 10), (Pieces{"BOARD"}));
  EXPECT_EQ(Cut(c, "\nDONE\r\n", 10), (Pieces{"1,", "DONE"}));
  // A held piece after an empty piece is dropped with its whole line, even
  // when that line is still unfinished after the next full read.
  EXPECT_EQ(Cut(c, "X\r\n\r\nLONG", 9), (Pieces{"X"}));
  EXPECT_EQ(Cut(c, "LINELINE1", 9), Pieces{});
  EXPECT_EQ(Cut(c, "2\r\nDONE", 9), (Pieces{"DONE"}));
  EXPECT_EQ(TakeHeldPiece(c), "");
  // At the end of input the held piece is the last piece, once.
  EXPECT_EQ(Cut(c, "ABOUT\r\nEND", 10), (Pieces{"ABOUT"}));
  EXPECT_EQ(TakeHeldPiece(c), "END");
  EXPECT_EQ(TakeHeldPiece(c), "");
}

TEST(ChunkCutter, HeldPieceIsBoundedAndKeepsAFinalCr) {
  ChunkCutter c;
  std::string garbage(ReadBufferSize, 'x');
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(Cut(c, garbage), Pieces{});
    EXPECT_LE(c.text.size(), MaxHeldBytes + ReadBufferSize);
  }
  EXPECT_EQ(c.held.size(), MaxHeldBytes);
  garbage.back() = '\r';
  Cut(c, garbage);
  EXPECT_EQ(c.held, std::string(MaxHeldBytes, 'x') + "\r");
  // The LF of the next read completes the pair: the long line ends, and the
  // following command is a piece of its own.
  EXPECT_EQ(Cut(c, "\nABOUT\r\n"), (Pieces{std::string(MaxHeldBytes, 'x'), "ABOUT"}));
  // A kept part that ends in a CR the line went on past is sealed: an LF at
  // the start of the next read does not end the line there.
  const std::string kept = std::string(MaxHeldBytes - 1, 'y') + "\r";
  Cut(c, kept + "zz", kept.size() + 2);
  EXPECT_EQ(c.held, kept);
  EXPECT_EQ(Cut(c, "\nTURN 3,3\r\nEND\r\n"), (Pieces{kept + "\nTURN 3,3", "END"}));
  Cut(c, kept + "zz", kept.size() + 2);  // and when the next read is full too
  EXPECT_EQ(Cut(c, "\nTURN 3,3\r\nEND", 14), (Pieces{kept + "\nTURN 3,3"}));
}

}  // namespace
}  // namespace ruvex
