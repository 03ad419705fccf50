// A Host on scripted input chunks and captured output, for in-process
// protocol tests.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace ruvex::testing {

struct FakeStreams {
  // Each chunk is delivered like bytes waiting in a pipe: a read returns at
  // most the buffer size, so a chunk larger than the buffer takes several
  // reads. After the last chunk every read returns 0 (end of input).
  std::deque<std::string> chunks;
  std::string output;
  std::vector<std::string> writes;  // one entry per write call
  int reads = 0;
  std::function<void()> onRead;  // runs before every read (e.g. to move a clock)

  // The system host with its streams replaced by these.
  Host MakeHost() {
    Host host = SystemHost();
    host.read = [this](char* buffer, std::size_t size) -> std::size_t {
      ++reads;
      if (onRead) onRead();
      if (chunks.empty()) return 0;
      std::string& front = chunks.front();
      const std::size_t count = std::min(size, front.size());
      std::memcpy(buffer, front.data(), count);
      front.erase(0, count);
      if (front.empty()) chunks.pop_front();
      return count;
    };
    host.write = [this](std::string_view bytes) {
      output.append(bytes);
      writes.emplace_back(bytes);
    };
    return host;
  }
};

}  // namespace ruvex::testing
