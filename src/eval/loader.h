// Loading the network's weights from brain.map beside the executable.
#pragma once

#include <string>
#include <string_view>

#include "eval/network.h"
#include "platform/console.h"

namespace ruvex {

inline constexpr std::string_view BrainFoundLine = "MESSAGE brain.map found, Loading neurons...";
inline constexpr std::string_view BrainMissingLine =
    "MESSAGE 'brain.map' not found!!!  Quitting!  please make sure 'brain.map' is in the same "
    "directory as the exe file.";

enum class LoadResult { Loaded, Missing };

// Creates the network (81, hiddenCount, 2) and fills it from
// executableDirectory + "brain.map", writing the found or the missing line.
// On Missing the caller ends the process.
LoadResult LoadNetwork(Network& network, Console& console, const std::string& executableDirectory,
                       int hiddenCount);

}  // namespace ruvex
