// FieldOf and ParseInt on arbitrary text: the fields joined by the separator
// give the text back; numbers written in decimal, $hex and %binary read back
// (modulo 2^64), signs and leading blanks included.
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace {

std::string Digits(uint64_t value, unsigned base) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789abcdef"[value % base]);
    value /= base;
  } while (value != 0);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ruvex;
  if (size < 9) return 0;
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = value << 8 | data[i + 1];
  const std::string_view rest(reinterpret_cast<const char*>(data + 9), size - 9);
  const std::string_view separator = rest.substr(0, 1 + data[0] % 3);
  const std::string_view text = rest.substr(separator.size());

  if (!separator.empty()) {
    std::string joined;
    int k = 1;
    for (std::size_t at = 0;; ++k) {
      joined.append(FieldOf(text, k, separator));
      at = text.find(separator, at);
      if (at == std::string_view::npos) break;
      joined.append(separator);
      at += separator.size();
    }
    if (joined != text || !FieldOf(text, k + 1, separator).empty() ||
        !FieldOf(text, 0, separator).empty()) {
      std::abort();
    }
  }
  (void)ParseInt(text);
  const std::string blanks(data[0] % 3, data[0] % 2 ? ' ' : '\t');
  const auto reads = [&](const std::string& body, uint64_t expected) {
    if (static_cast<uint64_t>(ParseInt(blanks + body + ",")) != expected) std::abort();
  };
  reads(Digits(value, 10), value);
  reads("+$" + Digits(value, 16), value);
  reads("-%" + Digits(value, 2), 0 - value);
  reads("-" + Digits(value, 10), 0 - value);
  return 0;
}
