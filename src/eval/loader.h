// Loading the network's weights from brain.map beside the executable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "eval/network.h"

namespace ruvex {

// What the loader found at executableDirectory + "brain.map".
enum class BrainFile {
  Loaded,      // every weight read from the file (bytes past the weights are ignored)
  Short,       // the file ends early: the weights past its end are 0.0
  Unreadable,  // present, but it could not be opened or read: every weight is 0.0
  Missing,     // no regular file of at least one byte there (or no directory known)
};

struct LoadResult {
  BrainFile file = BrainFile::Missing;
  std::size_t bytesRead = 0;  // of the file's weight bytes
};

// Creates the network (81, hiddenCount, 2) and fills it from
// executableDirectory + "brain.map": weight n is the little-endian double in
// bytes 8n .. 8n + 7, W1 row by row, then W2. On Missing the engine stops.
LoadResult LoadNetwork(Network& network, const std::string& executableDirectory, int hiddenCount);

// The same from bytes already read (the file's contents): Loaded or Short.
LoadResult FillNetwork(Network& network, int hiddenCount, const std::vector<uint8_t>& bytes);

}  // namespace ruvex
