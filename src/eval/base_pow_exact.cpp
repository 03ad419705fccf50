// b^y correctly rounded, written plainly: e^(y ln b) in unsigned fixed point
// with a 64-bit integer part and 256 fraction bits. The error of the fixed-
// point value before rounding is below 2^-240 relative, far below the closest
// approach of b^y to a rounding boundary that any double y can be expected to
// make (about 2^-(53+64) relative); and b^y is never itself a double or a
// midpoint between two (only y = 0 and y = 1 give a rational power, 1 and b).
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "eval/base_pow.h"

namespace ruvex {
namespace {

__extension__ typedef unsigned __int128 U128;

// value = w[0] + w[1] 2^-64 + w[2] 2^-128 + w[3] 2^-192 + w[4] 2^-256.
struct Fix {
  std::array<uint64_t, 5> w{};
};

// ln b and ln 2, truncated.
constexpr Fix LnB{{0x1ULL, 0x0000010f0a353e53ULL, 0x17f11dbd8ce15f49ULL, 0x6310d96a1c5670eaULL,
                   0x2614aa7e235eae59ULL}};
constexpr Fix Ln2{{0x0ULL, 0xb17217f7d1cf79abULL, 0xc9e3b39803f2f6afULL, 0x40f343267298b62dULL,
                   0x8a0d175b8baafa2bULL}};

Fix Add(const Fix& a, const Fix& b) {
  Fix r;
  uint64_t carry = 0;
  for (int i = 4; i >= 0; --i) {
    const U128 s = static_cast<U128>(a.w[i]) + b.w[i] + carry;
    r.w[i] = static_cast<uint64_t>(s);
    carry = static_cast<uint64_t>(s >> 64);
  }
  return r;
}

// a - b for a >= b.
Fix Sub(const Fix& a, const Fix& b) {
  Fix r;
  uint64_t borrow = 0;
  for (int i = 4; i >= 0; --i) {
    const uint64_t d = a.w[i] - b.w[i] - borrow;
    borrow = (a.w[i] < b.w[i] || (a.w[i] == b.w[i] && borrow)) ? 1 : 0;
    r.w[i] = d;
  }
  return r;
}

bool Less(const Fix& a, const Fix& b) {
  return a.w < b.w;
}

// a * b truncated below 2^-256 (both below 2^32 in value).
Fix Mul(const Fix& a, const Fix& b) {
  U128 acc[5] = {};  // acc[k]: weight 2^(-64 k)
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; i + j <= 5 && j <= 4; ++j) {
      const U128 p = static_cast<U128>(a.w[i]) * b.w[j];
      if (i + j <= 4) acc[i + j] += static_cast<uint64_t>(p);
      if (i + j >= 1) acc[i + j - 1] += static_cast<uint64_t>(p >> 64);
    }
  }
  Fix r;
  U128 carry = 0;
  for (int k = 4; k >= 0; --k) {
    const U128 s = acc[k] + carry;
    r.w[k] = static_cast<uint64_t>(s);
    carry = s >> 64;
  }
  return r;
}

Fix MulSmall(const Fix& a, uint64_t m) {
  Fix r;
  uint64_t carry = 0;
  for (int i = 4; i >= 0; --i) {
    const U128 p = static_cast<U128>(a.w[i]) * m + carry;
    r.w[i] = static_cast<uint64_t>(p);
    carry = static_cast<uint64_t>(p >> 64);
  }
  return r;
}

Fix DivSmall(const Fix& a, uint64_t d) {
  Fix r;
  U128 rest = 0;
  for (int i = 0; i <= 4; ++i) {
    const U128 cur = (rest << 64) | a.w[i];
    r.w[i] = static_cast<uint64_t>(cur / d);
    rest = cur % d;
  }
  return r;
}

Fix ShiftRight(const Fix& a, int s) {
  Fix r;
  const int limbs = s / 64, bits = s % 64;
  for (int i = 4; i >= 0; --i) {
    const int from = i - limbs;
    if (from < 0) continue;
    uint64_t v = a.w[from] >> bits;
    if (bits != 0 && from >= 1) v |= a.w[from - 1] << (64 - bits);
    r.w[i] = v;
  }
  return r;
}

Fix One() {
  return Fix{{1, 0, 0, 0, 0}};
}

// 1/k! for k <= 30.
struct Factorials {
  std::array<Fix, 31> inverse;
  Factorials() {
    inverse[0] = One();
    for (uint64_t k = 1; k <= 30; ++k) inverse[k] = DivSmall(inverse[k - 1], k);
  }
};

const Factorials& InverseFactorials() {
  static const Factorials table;
  return table;
}

// e^x by its Taylor series to the given degree (x small).
Fix ExpSeries(const Fix& x, int degree) {
  const auto& c = InverseFactorials().inverse;
  Fix s = c[degree];
  for (int k = degree - 1; k >= 0; --k) s = Add(Mul(s, x), c[k]);
  return s;
}

// e^(i/64) and e^(j/4096) for i, j < 64.
struct ExpTables {
  std::array<Fix, 64> coarse;
  std::array<Fix, 64> fine;
  ExpTables() {
    const Fix step = ExpSeries(Fix{{0, 1ULL << 58, 0, 0, 0}}, 28);      // e^(1/64)
    const Fix fineStep = ExpSeries(Fix{{0, 1ULL << 52, 0, 0, 0}}, 18);  // e^(1/4096)
    coarse[0] = fine[0] = One();
    for (int i = 1; i < 64; ++i) {
      coarse[i] = Mul(coarse[i - 1], step);
      fine[i] = Mul(fine[i - 1], fineStep);
    }
  }
};

const ExpTables& Tables() {
  static const ExpTables tables;
  return tables;
}

// e^f for 0 <= f < 1.
Fix ExpFraction(Fix f) {
  const auto& t = Tables();
  const auto i = static_cast<int>(f.w[1] >> 58);
  const auto j = static_cast<int>((f.w[1] >> 52) & 63);
  f.w[1] &= (uint64_t{1} << 52) - 1;  // f < 2^-12 now
  return Mul(Mul(t.coarse[i], t.fine[j]), ExpSeries(f, 18));
}

double FromBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// a * 2^scale rounded to nearest (ties to even) into a double, a > 0.
double RoundFix(const Fix& a, int scale) {
  int lead = 0;  // a's leading limb
  while (lead < 5 && a.w[lead] == 0) ++lead;
  if (lead == 5) return 0.0;
  // X: 128 bits from the leading limb; sticky: whatever lies below them.
  U128 x = static_cast<U128>(a.w[lead]) << 64;
  if (lead + 1 <= 4) x |= a.w[lead + 1];
  bool sticky = false;
  for (int i = lead + 2; i <= 4; ++i) sticky = sticky || a.w[i] != 0;
  const int top = 63 - __builtin_clzll(a.w[lead]) + 64;  // bit index of X's leading 1
  // X's bit 0 weighs 2^e0.
  const int e0 = scale - 64 * lead - 64;
  const int exponent = e0 + top;  // value in [2^exponent, 2^(exponent+1))
  if (exponent >= 1024) return std::numeric_limits<double>::infinity();
  // Keep the bits of weight >= 2^-1074, at most 53 of them.
  int keepFrom = top - 52;  // bit index in X of the last kept bit
  if (e0 + keepFrom < -1074) keepFrom = -1074 - e0;
  if (keepFrom >= 128) {  // at most the smallest subnormal
    const U128 half = static_cast<U128>(1) << 127;
    const bool up = keepFrom == 128 && (x > half || (x == half && sticky));
    return up ? FromBits(1) : 0.0;
  }
  U128 units = keepFrom >= 0 ? x >> keepFrom : x << -keepFrom;
  if (keepFrom > 0) {
    const U128 rest = x & ((static_cast<U128>(1) << keepFrom) - 1);
    const U128 half = static_cast<U128>(1) << (keepFrom - 1);
    if (rest > half || (rest == half && (sticky || (units & 1) != 0))) units += 1;
  }
  int e = e0 + keepFrom;  // weight of units' bit 0
  if (units == (static_cast<U128>(1) << 53)) {
    units >>= 1;
    e += 1;
  }
  const auto u = static_cast<uint64_t>(units);
  if (u < (uint64_t{1} << 52)) return FromBits(u);  // subnormal (e is -1074)
  const int biased = e + 52 + 1023;
  if (biased >= 2047) return std::numeric_limits<double>::infinity();
  return FromBits((static_cast<uint64_t>(biased) << 52) | (u - (uint64_t{1} << 52)));
}

}  // namespace

double PowBaseExact(double y) {
  if (std::isnan(y)) return y + y;
  if (y == 0.0) return 1.0;
  if (y > 800.0) return std::numeric_limits<double>::infinity();  // b^800 > 2^1154
  if (y < -800.0) return 0.0;                                     // b^-800 < 2^-1154
  // |y| = m 2^(e - 53), m a 53-bit integer.
  int e = 0;
  const double fraction = std::frexp(std::fabs(y), &e);
  const auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - e;                           // >= 43
  if (shift > 60 + 53) return 1.0;                    // |y| < 2^-60: b^y within 2^-59 of 1
  const Fix z = ShiftRight(MulSmall(LnB, m), shift);  // |y| ln b, integer part < 2^10
  // z = n ln2 + f, 0 <= f < ln2.
  const double zApprox = static_cast<double>(z.w[0]) + std::ldexp(static_cast<double>(z.w[1]), -64);
  auto n = static_cast<int64_t>(zApprox / 0.6931471805599453);
  Fix multiple = MulSmall(Ln2, static_cast<uint64_t>(n));
  if (Less(z, multiple)) {
    n -= 1;
    multiple = Sub(multiple, Ln2);
  }
  Fix f = Sub(z, multiple);
  if (!Less(f, Ln2)) {
    n += 1;
    f = Sub(f, Ln2);
  }
  // b^-|y| = 2^-(n+1) e^(ln2 - f).
  if (y < 0.0 && (f.w[0] | f.w[1] | f.w[2] | f.w[3] | f.w[4]) != 0) {
    f = Sub(Ln2, f);
    n = -(n + 1);
  } else if (y < 0.0) {
    n = -n;
  }
  return RoundFix(ExpFraction(f), static_cast<int>(n));
}

namespace pow_detail {

namespace {

struct Table {
  std::array<TableEntry, 256> entries;
  Table() {
    for (uint64_t j = 0; j < 256; ++j) {
      const Fix value = ExpFraction(ShiftRight(MulSmall(Ln2, j), 8));  // 2^(j/256)
      // hi: the double nearest, cut to 26 bits (a Veltkamp split), 1 <= hi < 2.
      const double nearest = RoundFix(value, 0);
      const double c = nearest * 134217729.0;
      const double hi = c - (c - nearest);
      uint64_t bits;
      std::memcpy(&bits, &hi, sizeof bits);
      const Fix hiFix{{1, (bits & ((uint64_t{1} << 52) - 1)) << 12, 0, 0, 0}};
      const double lo =
          Less(value, hiFix) ? -RoundFix(Sub(hiFix, value), 0) : RoundFix(Sub(value, hiFix), 0);
      entries[j] = {hi, lo};
    }
  }
};

}  // namespace

const TableEntry* PowTable() {
  static const Table table;
  return table.entries.data();
}

}  // namespace pow_detail
}  // namespace ruvex
