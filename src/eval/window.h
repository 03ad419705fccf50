// The 9 x 9 evaluation window around a cell and its key.
#pragma once

#include <array>
#include <cstdint>

#include "board/board.h"

namespace ruvex {

// window[a - 1][b - 1] = board[cx - 5 + a][cy - 5 + b] for a, b in 1..9 when
// that cell is playable, Empty otherwise (frame cells never enter a window).
using EvalWindow = std::array<std::array<int8_t, 9>, 9>;

EvalWindow CutWindow(const BoardGrid& board, int cx, int cy);

// 81 characters, row by row, as side sees the window: "A" empty or off board,
// "C" side's stones, "D" the other side's. For Own (and any side other than
// Opponent) that is 'A' + cell value; for Opponent the two stone letters swap,
// so a window valued for one side never answers for the other.
using KeyText = std::array<char, 81>;

KeyText MakeKeyText(const EvalWindow& window, int side);

// The 81 network inputs in key-text order, seen from side: +1.0 for side's
// stones, -1.0 for the other side's, 0.0 otherwise. For a side other than Own
// or Opponent every input is 0.0 (the evaluator reports that case).
std::array<double, 81> EncodeWindow(const EvalWindow& window, int side);

// EncodeWindow's inputs as small integers: +1, -1 or 0 each.
std::array<int8_t, 81> WindowSigns(const EvalWindow& window, int side);

// The window's key for side: the first 7 bytes of the MD5 digest of its key text,
// in digest order, as one integer (the first byte is the most significant).
// Two keys are equal exactly when their 14-character hex texts are equal.
struct WindowKey {
  uint64_t bits = 0;
  bool operator==(const WindowKey&) const = default;
};

WindowKey MakeWindowKey(const EvalWindow& window, int side);

// The key of a key text already made: MakeWindowKey(w, side) is
// KeyOfText(MakeKeyText(w, side)).
WindowKey KeyOfText(const KeyText& text);

// keys[i] = KeyOfText(*texts[i]) for i < count, the digests several at a
// time.
void KeysOfTexts(const KeyText* const* texts, int count, WindowKey* keys);

// The key text itself, exactly, in three words: character i - 'A' (0..3)
// gives bit i of the low plane and bit i of the high plane; words[0] and
// words[1] hold bits 0..63 of the planes, words[2] bits 64.. of the low plane
// from bit 0 and of the high plane from bit 32. Bit 63 of words[2] is never
// part of a key. valid is false when a character lies outside 'A'..'D' (a
// cell value outside 0..3): such a text has no exact key.
struct ExactKey {
  std::array<uint64_t, 3> words{};
  bool valid = false;
};

ExactKey MakeExactKey(const KeyText& text);

}  // namespace ruvex
