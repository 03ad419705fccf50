#include "shell/protocol_text.h"

#include "platform/text.h"
#include "shell/settings.h"

namespace ruvex {

CommandKey MatchCommand(std::string_view piece) {
  const std::string_view head = piece.substr(0, 4);
  if (head == "STAR") return CommandKey::Start;
  if (head == "BEGI") return CommandKey::Begin;
  if (head == "TURN") return CommandKey::Turn;
  if (head == "INFO") return CommandKey::Info;
  if (head == "BOAR") return CommandKey::Board;
  if (head == "DONE") return CommandKey::Done;
  if (piece == "END") return CommandKey::End;
  if (head == "ABOU") return CommandKey::About;
  return CommandKey::None;
}

bool OnBoard(ProtocolMove move) {
  return move.x >= 0 && move.x < BoardSize && move.y >= 0 && move.y < BoardSize;
}

Cell GridCellOf(ProtocolMove move) {
  return Cell{static_cast<int32_t>(move.x + 1), static_cast<int32_t>(move.y + 1)};
}

ProtocolMove ProtocolMoveOf(Cell cell) {
  return ProtocolMove{cell.x - 1, cell.y - 1};
}

std::string MoveText(ProtocolMove move) {
  return FormatInt(move.x) + "," + FormatInt(move.y);
}

ProtocolMove ReadMove(std::string_view text) {
  return ProtocolMove{ParseInt(FieldOf(text, 1, ",")), ParseInt(FieldOf(text, 2, ","))};
}

ProtocolMove ReadTurnMove(std::string_view piece) {
  return ReadMove(FieldOf(piece, 2, " "));
}

BoardEntry ReadBoardEntry(std::string_view piece) {
  return BoardEntry{ReadMove(piece), ParseInt(FieldOf(piece, 3, ","))};
}

InfoItem ReadInfo(std::string_view piece) {
  return InfoItem{FieldOf(piece, 2, " "), ParseInt(FieldOf(piece, 3, " "))};
}

std::string ApplyInfo(TurnInfo& limits, const InfoItem& item) {
  if (item.key == "timeout_turn") {
    limits.TurnTimeLimit = item.value;
    return "msTurnTime: " + FormatInt(limits.TurnTimeLimit);
  }
  if (item.key == "timeout_match") {
    limits.MatchTimeLimit = item.value == 0 ? UnlimitedMatchTime : item.value;
    return "timeout_match: " + FormatInt(limits.MatchTimeLimit);
  }
  return {};
}

std::string IdentityLine(std::string_view version) {
  std::string line;
  line.append("name=\"").append(EngineName).append("\", ");
  line.append("version=\"").append(version).append("\", ");
  line.append("author=\"").append(EngineAuthor).append("\", ");
  line.append("country=\"").append(EngineCountry).append("\"");
  return line;
}

std::string BadMoveError(ProtocolMove move) {
  return "ERROR bad move " + MoveText(move);
}

std::string OccupiedMoveError(ProtocolMove move) {
  return "ERROR occupied cell " + MoveText(move);
}

std::string BadSizeError(int64_t size) {
  return "ERROR unsupported size " + FormatInt(size) + ", only 20 is played";
}

namespace {

constexpr std::string_view LineEnd = "\r\n";

void HoldPiece(ChunkCutter& cutter, std::string_view piece, bool dropped) {
  cutter.heldSealed = false;
  if (piece.size() > MaxHeldBytes) {
    cutter.held.assign(piece.substr(0, MaxHeldBytes));
    if (piece.back() == '\r') {
      cutter.held.push_back('\r');
    } else {
      cutter.heldSealed = cutter.held.back() == '\r';
    }
  } else {
    cutter.held.assign(piece);
  }
  cutter.heldDropped = dropped;
}

// The first CR LF at or after from, passing over the one at sealed (a held
// CR that may not pair).
std::size_t FindLineEnd(std::string_view text, std::size_t from, std::size_t sealed) {
  std::size_t cut = text.find(LineEnd, from);
  if (cut != std::string_view::npos && cut == sealed) cut = text.find(LineEnd, cut + 1);
  return cut;
}

}  // namespace

void CutChunk(ChunkCutter& cutter, std::string_view bytes, std::size_t bufferSize) {
  const std::size_t zero = bytes.find('\0');
  const std::string_view decoded = bytes.substr(0, zero);
  const bool fullRead = bytes.size() >= bufferSize && zero == std::string_view::npos;

  const bool skipFirst = !cutter.held.empty() && cutter.heldDropped;
  const std::size_t sealed = cutter.heldSealed ? cutter.held.size() - 1 : std::string_view::npos;
  cutter.heldSealed = false;
  cutter.text.assign(cutter.held);
  cutter.text.append(decoded);
  cutter.held.clear();
  cutter.heldDropped = false;
  cutter.pieces.clear();

  // body: what this read completes; tail: the unfinished piece a full read ends in.
  std::string_view body = cutter.text;
  std::string_view tail;
  const bool endsLine = body.ends_with(LineEnd) && body.size() - LineEnd.size() != sealed;
  const bool holdTail = fullRead && !endsLine;
  if (holdTail) {
    // The held piece holds no CR LF: a pair found at sealed is the only one in it.
    std::size_t lastCut = body.rfind(LineEnd);
    if (lastCut == sealed) lastCut = std::string_view::npos;
    const std::size_t tailStart = lastCut == std::string_view::npos ? 0 : lastCut + LineEnd.size();
    tail = body.substr(tailStart);
    body = body.substr(0, tailStart);
  }

  // A held piece that belongs to a dropped rest drops its whole line: the part
  // this read completes (the first piece) is skipped, and if the line is still
  // unfinished it stays dropped.
  bool dropTail = skipFirst && body.empty();
  std::size_t start = 0;
  while (!body.empty()) {
    const std::size_t cut = FindLineEnd(body, start, sealed);
    const std::string_view piece =
        body.substr(start, cut == std::string_view::npos ? std::string_view::npos : cut - start);
    const bool restOfDroppedLine = skipFirst && start == 0;
    if (!restOfDroppedLine) {
      if (piece.empty()) {
        // The empty piece after the last CR LF is the normal end; an earlier
        // one drops the rest of the read, the held piece included.
        if (start < body.size()) dropTail = true;
        break;
      }
      cutter.pieces.push_back(piece);
    }
    if (cut == std::string_view::npos) break;
    start = cut + LineEnd.size();
  }
  if (holdTail) HoldPiece(cutter, tail, dropTail);
}

std::string_view TakeHeldPiece(ChunkCutter& cutter) {
  const bool keep = !cutter.held.empty() && !cutter.heldDropped;
  cutter.text.assign(keep ? cutter.held : std::string{});
  cutter.held.clear();
  cutter.heldDropped = false;
  cutter.heldSealed = false;
  cutter.pieces.clear();
  return cutter.text;
}

}  // namespace ruvex
