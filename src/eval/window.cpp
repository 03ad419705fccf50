#include "eval/window.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "eval/md5.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

std::array<int8_t, 81> WindowSigns(const EvalWindow& window, int side) {
  std::array<int8_t, 81> signs{};
  if (side != Own && side != Opponent) return signs;
  const int8_t own = static_cast<int8_t>(side);
  const int8_t other = static_cast<int8_t>(Other(side));
  std::size_t n = 0;
  for (const auto& row : window) {
    for (const int8_t cell : row) signs[n++] = static_cast<int8_t>((cell == own) - (cell == other));
  }
  return signs;
}

WindowKey MakeWindowKey(const EvalWindow& window, int side) {
  return KeyOfText(MakeKeyText(window, side));
}

// Two planes of 32 bits per word pair: the key text must fit 95 characters.
static_assert(std::tuple_size_v<KeyText> <= 95, "an exact key holds at most 95 characters");

ExactKey MakeExactKey(const KeyText& text) {
  constexpr std::size_t Chunks = (std::tuple_size_v<KeyText> + 15) / 16;
  // The text padded with 'A' (0) to whole chunks of 16 characters.
  alignas(16) char padded[Chunks * 16];
  std::memset(padded, 'A', sizeof padded);
  std::memcpy(padded, text.data(), text.size());
  uint64_t low[2] = {0, 0};
  uint64_t high[2] = {0, 0};
  bool valid = true;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i base = _mm_set1_epi8('A');
  const __m128i three = _mm_set1_epi8(3);
  uint32_t outside = 0;
  for (std::size_t c = 0; c < Chunks; ++c) {
    const __m128i digits =
        _mm_sub_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(padded + 16 * c)), base);
    // 0..3 exactly when the unsigned minimum with 3 leaves the digit as it is.
    outside |= static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(digits, three), digits)) ^ 0xffff);
    // Bit 0 and bit 1 of every byte to its top bit, then one bit per byte.
    const auto bit0 = static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(digits, 7)));
    const auto bit1 = static_cast<uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(digits, 6)));
    low[c / 4] |= bit0 << (16 * (c % 4));
    high[c / 4] |= bit1 << (16 * (c % 4));
  }
  valid = outside == 0;
#else
  for (std::size_t i = 0; i < Chunks * 16; ++i) {
    const auto digit = static_cast<uint8_t>(padded[i] - 'A');
    valid = valid && digit <= 3;
    low[i / 64] |= static_cast<uint64_t>(digit & 1) << (i % 64);
    high[i / 64] |= static_cast<uint64_t>(digit >> 1 & 1) << (i % 64);
  }
#endif
  ExactKey key;
  key.words = {low[0], high[0], low[1] | high[1] << 32};
  key.valid = valid;
  return key;
}

namespace {

WindowKey KeyOfDigest(const Md5Digest& digest) {
  uint64_t bits = 0;
  for (int i = 0; i < 7; ++i) bits = bits << 8 | digest[i];
  return WindowKey{bits};
}

}  // namespace

WindowKey KeyOfText(const KeyText& text) {
  return KeyOfDigest(Md5(text.data(), text.size()));
}

void KeysOfTexts(const KeyText* const* texts, int count, WindowKey* keys) {
  constexpr int Most = 16;
  const uint8_t* messages[Most];
  Md5Digest digests[Most];
  for (int first = 0; first < count; first += Most) {
    const int n = count - first < Most ? count - first : Most;
    for (int i = 0; i < n; ++i)
      messages[i] = reinterpret_cast<const uint8_t*>(texts[first + i]->data());
    Md5Many(messages, std::tuple_size_v<KeyText>, static_cast<std::size_t>(n), digests);
    for (int i = 0; i < n; ++i) keys[first + i] = KeyOfDigest(digests[i]);
  }
}

}  // namespace ruvex
