#include "eval/window.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "eval/md5.h"

namespace ruvex {

EvalWindow CutWindow(const BoardGrid& board, int cx, int cy) {
  EvalWindow window{};
  // 64-bit index arithmetic: any centre is accepted, off-board cells read
  // Empty. Each window row copies its playable stretch of the board row.
  const int64_t firstY = std::max<int64_t>(static_cast<int64_t>(cy) - 4, 1);
  const int64_t lastY = std::min<int64_t>(static_cast<int64_t>(cy) + 4, BoardSize);
  if (firstY > lastY) return window;
  const auto b0 = static_cast<std::size_t>(firstY - (static_cast<int64_t>(cy) - 4));
  const auto count = static_cast<std::size_t>(lastY - firstY + 1);
  for (int a = 1; a <= 9; ++a) {
    const int64_t x = static_cast<int64_t>(cx) - 5 + a;
    if (x < 1 || x > BoardSize) continue;
    std::memcpy(&window[a - 1][b0], &board.cells[static_cast<std::size_t>(x * GridSize + firstY)],
                count);
  }
  return window;
}

KeyText MakeKeyText(const EvalWindow& window, int side) {
  // Own ^ Opponent turns one stone value into the other.
  const int swap = side == Opponent ? Own ^ Opponent : 0;
  KeyText text;
  std::size_t n = 0;
  for (const auto& row : window) {
    for (const int8_t cell : row) {
      const int seen = cell == Own || cell == Opponent ? cell ^ swap : cell;
      text[n++] = static_cast<char>('A' + seen);
    }
  }
  return text;
}

std::array<double, 81> EncodeWindow(const EvalWindow& window, int side) {
  std::array<double, 81> inputs{};
  if (side != Own && side != Opponent) return inputs;
  const int other = Other(side);
  std::size_t n = 0;
  for (const auto& row : window) {
    for (const int8_t cell : row) {
      inputs[n++] = cell == side ? 1.0 : cell == other ? -1.0 : 0.0;
    }
  }
  return inputs;
}

WindowKey MakeWindowKey(const EvalWindow& window, int side) {
  const KeyText text = MakeKeyText(window, side);
  const Md5Digest digest = Md5(text.data(), text.size());
  uint64_t bits = 0;
  for (int i = 0; i < 7; ++i) bits = bits << 8 | digest[i];
  return WindowKey{bits};
}

}  // namespace ruvex
