#include "board/board.h"

namespace ruvex {

void ClearBoard(BoardGrid& grid) {
  for (int a = 0; a <= BoardSize + 1; ++a) {
    for (int b = 0; b <= BoardSize + 1; ++b) {
      const bool frame = a == 0 || b == 0 || a == BoardSize + 1 || b == BoardSize + 1;
      grid(a, b) = frame ? Border : Empty;
    }
  }
}

}  // namespace ruvex
