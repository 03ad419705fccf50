#include "shell/protocol_loop.h"

#include <array>

#include "platform/platform.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "shell/protocol_text.h"

namespace ruvex {

namespace {

constexpr Cell Centre{11, 11};

bool HasOpenCell(const BoardGrid& game) {
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      if (game(x, y) == Empty) return true;
    }
  }
  return false;
}

// TurnStartTime is taken after the command's own work, just before the search.
// A full board has no move to give: the answer is an ERROR line.
void SearchAndAnswer(Engine& engine) {
  if (!HasOpenCell(engine.game)) {
    WriteLine(engine.host, FullBoardError);
    return;
  }
  engine.turn.TurnStartTime = engine.host.clock();
  const SearchResult result = SearchMove(engine.search, engine.evaluator, engine.game, engine.turn);
  WriteLine(engine.host, MoveText(ProtocolMoveOf(result.cell)));
}

// A size other than 20 is refused and changes nothing; an unreadable
// brain.map ends the engine like a missing one.
std::optional<LoopExit> Start(Engine& engine, std::string_view piece) {
  const int64_t size = ParseInt(FieldOf(piece, 2, " "));
  if (size != BoardSize) {
    WriteLine(engine.host, BadSizeError(size));
    return std::nullopt;
  }
  WriteLine(engine.host, "OK");
  const BrainFile file = NewGame(engine).file;
  WriteLine(engine.host, file == BrainFile::Missing      ? BrainMissingLine
                         : file == BrainFile::Unreadable ? BrainUnreadableLine
                                                         : BrainFoundLine);
  if (!engine.gameStarted) return LoopExit::NetworkMissing;
  TraceLog("Total Templates: " + FormatInt(0));
  TraceLog(platform::CurrentDirectory());
  return std::nullopt;
}

// The opening move is the centre. Should the centre already hold a stone (the
// manager's board and ours disagree), the move is searched instead, so the
// engine never plays an occupied cell.
void Begin(Engine& engine) {
  if (engine.game(Centre.x, Centre.y) == Empty) {
    WriteLine(engine.host, MoveText(ProtocolMoveOf(Centre)));
    engine.game(Centre.x, Centre.y) = Own;
  } else {
    SearchAndAnswer(engine);
  }
  engine.host.sleep(BeginPause);
}

void Turn(Engine& engine, std::string_view piece) {
  const ProtocolMove move = ReadTurnMove(piece);
  if (!OnBoard(move)) {
    WriteLine(engine.host, BadMoveError(move));
    return;
  }
  const Cell cell = GridCellOf(move);
  if (engine.game(cell.x, cell.y) != Empty) {
    WriteLine(engine.host, OccupiedMoveError(move));
    return;
  }
  engine.turn.OpponentLastMove = cell;
  engine.game(cell.x, cell.y) = Opponent;
  SearchAndAnswer(engine);
}

void BoardEntryLine(Engine& engine, std::string_view piece) {
  const BoardEntry entry = ReadBoardEntry(piece);
  if (!OnBoard(entry.move)) return;
  const Cell cell = GridCellOf(entry.move);
  if (engine.game(cell.x, cell.y) != Empty) return;
  if (entry.owner == 2) {
    engine.game(cell.x, cell.y) = Opponent;
    engine.turn.OpponentLastMove = cell;
  } else if (entry.owner == 1) {
    engine.game(cell.x, cell.y) = Own;
  }
}

}  // namespace

std::optional<LoopExit> ProcessPiece(Engine& engine, std::string_view piece) {
  switch (MatchCommand(piece)) {
    case CommandKey::Start:
      return Start(engine, piece);
    case CommandKey::Begin:
      if (!engine.gameStarted)
        WriteLine(engine.host, NoGameError);
      else
        Begin(engine);
      break;
    case CommandKey::Turn:
      if (!engine.gameStarted)
        WriteLine(engine.host, NoGameError);
      else
        Turn(engine, piece);
      break;
    case CommandKey::Info: {
      const std::string line = ApplyInfo(engine.turn, ReadInfo(piece));
      if (!line.empty()) TraceLog(line);
      break;
    }
    case CommandKey::Board:
      engine.BoardEntryMode = true;
      break;
    case CommandKey::Done:
      engine.BoardEntryMode = false;
      if (!engine.gameStarted)
        WriteLine(engine.host, NoGameError);
      else
        SearchAndAnswer(engine);
      break;
    case CommandKey::End:
      TraceLog("Shutting Down");
      return LoopExit::End;
    case CommandKey::About:
      WriteLine(engine.host, IdentityLine(engine.settings.EngineVersion));
      break;
    case CommandKey::None:
      if (engine.BoardEntryMode)
        BoardEntryLine(engine, piece);
      else
        WriteLine(engine.host, "UNKNOWN");
      break;
  }
  return std::nullopt;
}

LoopExit ProtocolLoop(Engine& engine) {
  engine.host.clock();  // fixes the clock's zero point before any command
  TraceLog("started!");

  std::array<char, ReadBufferSize> buffer;
  ChunkCutter cutter;
  for (;;) {
    const std::size_t count = ReadChunk(engine.host, buffer.data(), buffer.size());
    if (count == 0) {
      // End of input: a line the last full read left unfinished is complete now.
      const std::string_view last = TakeHeldPiece(cutter);
      if (!last.empty()) {
        if (const auto exit = ProcessPiece(engine, last)) return *exit;
      }
      TraceLog("bye");
      return LoopExit::InputClosed;
    }
    CutChunk(cutter, std::string_view(buffer.data(), count), buffer.size());
    for (const std::string_view piece : cutter.pieces) {
      if (const auto exit = ProcessPiece(engine, piece)) return *exit;
    }
  }
}

}  // namespace ruvex
