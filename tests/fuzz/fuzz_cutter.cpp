// The chunk cutter alone: arbitrary bytes cut in arbitrary reads and buffer
// sizes. Pieces are non-empty, hold no CR LF (but for a sealed held CR and the
// LF after it: an over-long line lasts to its own CR LF), lie in order inside
// the text; the held piece stays bounded and holds no CR LF.
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "shell/protocol_text.h"
#include "shell/settings.h"

#define CHECK(ok) \
  if (!(ok)) std::abort()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ruvex;
  if (size < 1) return 0;
  uint32_t random = data[0] * 2654435761u + 7;
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  ChunkCutter cutter;
  while (!input.empty()) {
    random = random * 1664525u + 1013904223u;
    const std::size_t buffer = (random >> 28) % 2 ? ReadBufferSize : 1 + (random >> 8) % 64;
    const std::size_t n = std::min<std::size_t>(
        input.size(), (random >> 20) % 3 ? buffer : 1 + (random >> 4) % buffer);
    const std::size_t sealed = cutter.heldSealed ? cutter.held.size() - 1 : std::string_view::npos;
    CutChunk(cutter, input.substr(0, n), buffer);
    input.remove_prefix(n);
    const char* previous = cutter.text.data();
    for (const std::string_view piece : cutter.pieces) {
      const std::size_t pair = piece.find("\r\n"), at = piece.data() - cutter.text.data();
      CHECK(!piece.empty() && piece.data() >= previous && at + piece.size() <= cutter.text.size() &&
            (pair == std::string_view::npos ||
             (at + pair == sealed && piece.find("\r\n", pair + 1) == std::string_view::npos)));
      previous = piece.data() + piece.size();
    }
    CHECK(cutter.held.size() <= MaxHeldBytes + 1 && cutter.held.find("\r\n") == std::string::npos);
    CHECK((!cutter.heldSealed || cutter.held.ends_with('\r')) &&
          cutter.text.size() <= MaxHeldBytes + 1 + buffer);
  }
  CHECK(TakeHeldPiece(cutter).size() <= MaxHeldBytes + 1 && cutter.held.empty());
  return 0;
}
