// The engine's two streams. The protocol loop and the weight loader see them
// only through Console, so tests can feed exact chunks and read exact bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace ruvex {

struct Console {
  // One blocking read of at most size bytes; 0 means end of input or failure.
  std::function<std::size_t(char* buffer, std::size_t size)> read;
  // Writes the bytes and flushes them.
  std::function<void(std::string_view bytes)> write;
};

// Console on the process's standard input and output.
Console StandardConsole();

// Prepares the process streams (binary, unbuffered single-byte output).
void OpenConsole(Console& console);

// One read into buffer; the buffer is zeroed first, so a failed read leaves
// it all zeros. Returns the number of bytes read.
std::size_t ReadChunk(Console& console, char* buffer, std::size_t size);

// Writes text followed by CR LF as one write, flushed at once.
void WriteLine(Console& console, std::string_view text);

}  // namespace ruvex
