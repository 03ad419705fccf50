#include "platform/console.h"

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace ruvex {

Console StandardConsole() {
  return Console{
      [](char* buffer, std::size_t size) { return platform::ReadStdin(buffer, size); },
      [](std::string_view bytes) { platform::WriteStdout(bytes.data(), bytes.size()); },
  };
}

void OpenConsole(Console&) {
  platform::PrepareStreams();
}

std::size_t ReadChunk(Console& console, char* buffer, std::size_t size) {
  std::memset(buffer, 0, size);
  if (!console.read) return 0;
  const std::size_t count = console.read(buffer, size);
  return count < size ? count : size;  // never more than the buffer holds
}

void WriteLine(Console& console, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  if (console.write) console.write(line);
}

}  // namespace ruvex
