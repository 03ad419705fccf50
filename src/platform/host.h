// What the engine takes from its surroundings: its two streams, the clock,
// the pause, the memory probe and large zero-filled memory blocks. The
// executable runs on SystemHost(); tests and benchmarks hand the engine a
// Host with scripted entries instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace ruvex {

// Zero-filled memory in large blocks. allocate gives nullptr when no memory
// can be had; release takes back a block with the size it was asked for.
struct PageAllocator {
  std::function<void*(std::size_t bytes)> allocate;
  std::function<void(void* memory, std::size_t bytes)> release;
};

struct Host {
  // One blocking read of at most size bytes; 0 means end of input or failure.
  std::function<std::size_t(char* buffer, std::size_t size)> read;
  // Writes the bytes and flushes them.
  std::function<void(std::string_view bytes)> write;
  // Milliseconds since the clock's first reading, which gives 0.
  std::function<int64_t()> clock;
  std::function<void(int32_t milliseconds)> sleep;
  // Resident memory of the process in bytes; 0 when it cannot be measured.
  std::function<uint64_t()> memory;
  PageAllocator pages;
};

// Every entry on the operating system: standard input and output, the
// process clock (ElapsedMilliseconds), Delay, MemoryUsage and system pages.
const Host& SystemHost();

// Readies the process's standard streams (binary, a closed pipe is an error
// rather than the end of the process). Once, before the first read.
void OpenConsole();

// One read into buffer; the buffer is zeroed first, so a failed read leaves
// it all zeros. Returns the number of bytes read.
std::size_t ReadChunk(const Host& host, char* buffer, std::size_t size);

// Writes text followed by CR LF as one write, flushed at once.
void WriteLine(const Host& host, std::string_view text);

}  // namespace ruvex
