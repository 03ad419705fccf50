#include "platform/host.h"

#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/memory.h"
#include "platform/platform.h"

namespace ruvex {

const Host& SystemHost() {
  static const Host host{
      [](char* buffer, std::size_t size) { return platform::ReadStdin(buffer, size); },
      [](std::string_view bytes) { platform::WriteStdout(bytes.data(), bytes.size()); },
      [] { return ElapsedMilliseconds(); },
      Delay,
      MemoryUsage,
      PageAllocator{platform::AllocateZeroedPages, platform::FreePages},
  };
  return host;
}

namespace platform {

ReadVerdict JudgeRead(bool succeeded, std::size_t count,
                      const std::function<bool()>& writerPresent) {
  if (!succeeded) return ReadVerdict::End;
  if (count > 0) return ReadVerdict::Bytes;
  return writerPresent() ? ReadVerdict::Again : ReadVerdict::End;
}

}  // namespace platform

void OpenConsole() {
  platform::PrepareStreams();
}

std::size_t ReadChunk(const Host& host, char* buffer, std::size_t size) {
  std::memset(buffer, 0, size);
  if (!host.read) return 0;
  const std::size_t count = host.read(buffer, size);
  return count < size ? count : size;  // never more than the buffer holds
}

void WriteLine(const Host& host, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  if (host.write) host.write(line);
}

}  // namespace ruvex
