// The diagnostic hook. The engine passes its diagnostic lines here; by default
// they are discarded and reach no stream. Tests may install a sink to read them.
#pragma once

#include <functional>
#include <string_view>

namespace ruvex {

using TraceSink = std::function<void(std::string_view line)>;

void TraceLog(std::string_view line);

// True when a sink is installed. Callers may skip building a costly line
// when nobody reads it; the outcome is the same as building and discarding it.
bool TraceActive();

// Installs sink (an empty function removes it) and returns the previous one.
TraceSink SetTraceSink(TraceSink sink);

}  // namespace ruvex
