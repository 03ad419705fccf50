#include "platform/text.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace ruvex {

std::string_view FieldOf(std::string_view text, int k, std::string_view separator) {
  if (k < 1) return {};
  if (separator.empty()) return k == 1 ? text : std::string_view{};
  std::size_t start = 0;
  for (int field = 1;; ++field) {
    const std::size_t cut = text.find(separator, start);
    if (field == k) return text.substr(start, cut == std::string_view::npos ? cut : cut - start);
    if (cut == std::string_view::npos) return {};
    start = cut + separator.size();
  }
}

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v >= 0 && v < base ? v : -1;
}

}  // namespace

int64_t ParseInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  uint64_t value = 0;  // unsigned, so oversized input wraps instead of overflowing
  for (; i < text.size(); ++i) {
    const int d = DigitValue(text[i], base);
    if (d < 0) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  if (negative) value = 0 - value;
  return static_cast<int64_t>(value);
}

std::string FormatInt(int64_t value) { return std::to_string(value); }

namespace {

std::string Fixed(double value, int decimals) {
  const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string FormatReal(double value, int decimals) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Infinity" : "-Infinity";
  if (decimals >= 0) return Fixed(value, decimals > 512 ? 512 : decimals);
  std::string text = Fixed(value, 10);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

std::string FormatDouble(double value, int decimals) {
  if (value == 0.0) value = 0.0;  // negative zero prints as zero
  return FormatReal(value, decimals);
}

std::string FormatFloat(float value, int decimals) {
  return FormatReal(static_cast<double>(value), decimals);
}

}  // namespace ruvex
