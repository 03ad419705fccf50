// The text side of the Gomocup protocol, kept apart from what the commands do:
// cutting reads into pieces, recognising command keys, reading moves, board
// lines and INFO items, and every answer text. No other layer writes protocol
// text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "search/driver.h"

namespace ruvex {

// Commands, recognised by the first four characters of a piece (END only as
// the whole piece), compared exactly and with case, in this order.
enum class CommandKey { Start, Begin, Turn, Info, Board, Done, End, About, None };

CommandKey MatchCommand(std::string_view piece);

// A coordinate pair as the protocol writes it (0-based), wide enough to hold
// whatever number a line carries.
struct ProtocolMove {
  int64_t x = 0;
  int64_t y = 0;
};

// Both coordinates name a playable column and row (0..BoardSize-1).
bool OnBoard(ProtocolMove move);

// The grid cell of a move that is OnBoard: (x + 1, y + 1).
Cell GridCellOf(ProtocolMove move);

// The protocol's pair for grid cell (x, y): (x - 1, y - 1).
ProtocolMove ProtocolMoveOf(Cell cell);

// "x,y" in plain decimal: the text of every cell the engine writes.
std::string MoveText(ProtocolMove move);

// x and y from "x,y": fields 1 and 2 cut at ',', read with ParseInt.
ProtocolMove ReadMove(std::string_view text);

// The move of "TURN x,y": field 2 of the piece cut at single blanks.
ProtocolMove ReadTurnMove(std::string_view piece);

// A board-entry line "x,y,owner" (owner 1: the engine, 2: the opponent).
struct BoardEntry {
  ProtocolMove move;
  int64_t owner = 0;
};

BoardEntry ReadBoardEntry(std::string_view piece);

// "INFO key value": field 2 and the number in field 3, cut at single blanks.
struct InfoItem {
  std::string_view key;
  int64_t value = 0;
};

InfoItem ReadInfo(std::string_view piece);

// Stores the time limit an INFO item names (timeout_turn, timeout_match; a
// match limit of 0 is stored as UnlimitedMatchTime) and returns its
// diagnostic line; every other key changes nothing and gives the empty text.
std::string ApplyInfo(TurnInfo& limits, const InfoItem& item);

// The ABOUT answer.
std::string IdentityLine(std::string_view version);

// The lines START writes after "OK", as the weight loader found brain.map.
inline constexpr std::string_view BrainFoundLine = "MESSAGE brain.map found, Loading neurons...";
inline constexpr std::string_view BrainMissingLine =
    "MESSAGE 'brain.map' not found!!!  Quitting!  please make sure 'brain.map' is in the same "
    "directory as the exe file.";
inline constexpr std::string_view BrainUnreadableLine =
    "MESSAGE 'brain.map' is there but could not be read!!!  Quitting!";

// Answers the protocol allows a brain for input it cannot carry out.
inline constexpr std::string_view NoGameError = "ERROR no game started, send START first";
std::string BadMoveError(ProtocolMove move);       // off the board
std::string OccupiedMoveError(ProtocolMove move);  // onto a stone
std::string BadSizeError(int64_t size);            // START with a size other than 20
inline constexpr std::string_view FullBoardError = "ERROR the board is full, no move left";

// Cuts the text of successive reads into pieces at CR LF pairs (a lone CR or
// LF is an ordinary character). Within one read the pieces are processed in
// order up to the first empty piece; the rest of that read is dropped.
//
// A read that fills the whole buffer can end inside a line. Its unfinished
// last piece is then held back and put in front of the next read's text, so a
// line cut by the buffer boundary (even between its CR and LF) is still one
// piece. A short read's last piece is processed as it stands. A held piece is
// kept up to MaxHeldBytes bytes (plus a final CR, so the pair can still close
// it); bytes beyond them are dropped. A kept part that ends in a CR the line
// did not end in is sealed: that CR never pairs with an LF of the next read,
// so an over-long line lasts up to its own CR LF. When the held piece belongs
// to the dropped rest of a read, the line it starts is dropped as a whole.
struct ChunkCutter {
  std::string text;                      // held piece + the current read's text
  std::vector<std::string_view> pieces;  // pieces to process, pointing into text
  std::string held;                      // unfinished piece carried to the next read
  bool heldDropped = false;              // held piece is part of a dropped rest
  bool heldSealed = false;               // held piece's last CR was cut from its line
};

// Cuts one read. bytes are the bytes read (decoded up to the first zero byte);
// bufferSize is the size of the buffer the read could fill.
void CutChunk(ChunkCutter& cutter, std::string_view bytes, std::size_t bufferSize);

// At the end of input: the held piece as the last piece to process, or the
// empty text when none is held (or it was dropped). Clears the held piece.
std::string_view TakeHeldPiece(ChunkCutter& cutter);

}  // namespace ruvex
