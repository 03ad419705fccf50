#include "search/driver.h"

#include "shell/io/text.h"

namespace ruvex {

std::string MoveText(int x, int y) { return FormatInt(x - 1) + "," + FormatInt(y - 1); }

// Stand-in until the tree search exists: the first empty cell next to a stone
// in scan order (ascending x, then y), the centre on an empty board.
std::string SearchMove(SearchState&, Evaluator&, BoardGrid& game, const TurnInfo&) {
  Cell first_empty{0, 0};
  for (int x = 1; x <= BoardSize; ++x) {
    for (int y = 1; y <= BoardSize; ++y) {
      if (game(x, y) != Empty) continue;
      if (first_empty.x == 0) first_empty = {x, y};
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
          if ((dx != 0 || dy != 0) && IsStone(game(x + dx, y + dy))) {
            game(x, y) = Own;
            return MoveText(x, y);
          }
        }
      }
    }
  }
  const Cell move = game(11, 11) == Empty ? Cell{11, 11} : first_empty;
  if (move.x == 0) return MoveText(11, 11);  // full board: nothing legal is left
  game(move.x, move.y) = Own;
  return MoveText(move.x, move.y);
}

}  // namespace ruvex
