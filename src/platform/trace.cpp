#include "platform/trace.h"

#include <utility>

namespace ruvex {

namespace {
TraceSink& Sink() {
  static TraceSink sink;
  return sink;
}
}  // namespace

void TraceLog(std::string_view line) {
  if (Sink()) Sink()(line);
}

bool TraceActive() { return static_cast<bool>(Sink()); }

TraceSink SetTraceSink(TraceSink sink) { return std::exchange(Sink(), std::move(sink)); }

}  // namespace ruvex
