#include "board/candidates.h"

#include <bit>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace ruvex {

namespace {

// The scan reads grid indices 0..22: ring 1 of rows and columns 1..20 reaches
// 0 and 21, ring 2 (only from index 3 on) reaches 22. Each row of that square
// becomes one bit mask (bit y set when cell (x, y) holds a stone), so the ring
// tests of a whole row are a few shifts and ands.
constexpr int ScanRows = BoardSize + 3;  // indices 0..22

using RowMask = uint32_t;

// Bits 1..20: the playable cells of a row. Bits 3..20: where ring 2 counts.
constexpr RowMask PlayableBits = ((RowMask{1} << BoardSize) - 1) << 1;
constexpr RowMask RingTwoBits = PlayableBits & ~RowMask{0x7};

constexpr RowMask ScanBits = (RowMask{1} << ScanRows) - 1;

#if defined(__SSE2__) || defined(_M_X64)

// Sixteen cells per compare: a signed byte compare is exactly IsStone (> 1).
void StoneMasks(const BoardGrid& grid, RowMask (&stones)[ScanRows], RowMask (&empty)[ScanRows]) {
  const __m128i one = _mm_set1_epi8(Border);
  const __m128i zero = _mm_setzero_si128();
  for (int x = 0; x < ScanRows; ++x) {
    // Cells (x, 0..31): 0..22 are wanted; row 22 still ends inside the grid.
    const auto* row = reinterpret_cast<const __m128i*>(&grid.cells[x * GridSize]);
    const __m128i low = _mm_loadu_si128(row);
    const __m128i high = _mm_loadu_si128(row + 1);
    const auto bits = [](__m128i lowMatch, __m128i highMatch) {
      return (static_cast<RowMask>(_mm_movemask_epi8(lowMatch)) |
              static_cast<RowMask>(_mm_movemask_epi8(highMatch)) << 16) &
             ScanBits;
    };
    stones[x] = bits(_mm_cmpgt_epi8(low, one), _mm_cmpgt_epi8(high, one));
    empty[x] = bits(_mm_cmpeq_epi8(low, zero), _mm_cmpeq_epi8(high, zero));
  }
}

#else

void StoneMasks(const BoardGrid& grid, RowMask (&stones)[ScanRows], RowMask (&empty)[ScanRows]) {
  for (int x = 0; x < ScanRows; ++x) {
    const int8_t* row = &grid.cells[x * GridSize];
    RowMask s = 0;
    RowMask e = 0;
    for (int y = 0; y < ScanRows; ++y) {
      s |= static_cast<RowMask>(IsStone(row[y])) << y;
      e |= static_cast<RowMask>(row[y] == Empty) << y;
    }
    stones[x] = s;
    empty[x] = e;
  }
}

#endif

// Bits of cells with at least two of the four masks set.
inline RowMask AtLeastTwo(RowMask a, RowMask b, RowMask c, RowMask d) {
  return (a & b) | (c & d) | ((a | b) & (c | d));
}

}  // namespace

int FindCandidates(const BoardGrid& grid, MoveList& list) {
  RowMask stones[ScanRows];
  RowMask empty[ScanRows];
  StoneMasks(grid, stones, empty);

  int n = 0;
  for (int x = 1; x <= BoardSize; ++x) {
    // Ring 1: a stone in row x - 1, x or x + 1 at y - 1, y or y + 1 (the cell
    // itself is empty, so its own bit never counts).
    const RowMask near = stones[x - 1] | stones[x] | stones[x + 1];
    RowMask candidate = (near << 1) | near | (near >> 1);

    if (x >= 3) {
      // Ring 2 of (x, y): orthogonal (x, y + 2), (x, y - 2), (x - 2, y),
      // (x + 2, y); diagonal (x +- 2, y +- 2). A candidate needs two ring-2
      // stones, at least one of them orthogonal.
      const RowMask o1 = stones[x] >> 2;
      const RowMask o2 = stones[x] << 2;
      const RowMask o3 = stones[x - 2];
      const RowMask o4 = stones[x + 2];
      const RowMask d1 = stones[x + 2] >> 2;
      const RowMask d2 = stones[x - 2] >> 2;
      const RowMask d3 = stones[x + 2] << 2;
      const RowMask d4 = stones[x - 2] << 2;
      const RowMask anyOrthogonal = o1 | o2 | o3 | o4;
      const RowMask anyDiagonal = d1 | d2 | d3 | d4;
      const RowMask ringTwo = AtLeastTwo(o1, o2, o3, o4) | (anyOrthogonal & anyDiagonal);
      candidate |= ringTwo & RingTwoBits;
    }

    candidate &= empty[x] & PlayableBits;
    while (candidate != 0) {
      const int y = std::countr_zero(candidate);
      candidate &= candidate - 1;
      ++n;
      list.entry[n] = MoveEntry{x, y, 0, 0, 0.0};
    }
  }
  list.length = n + 1;
  return n;
}

}  // namespace ruvex
