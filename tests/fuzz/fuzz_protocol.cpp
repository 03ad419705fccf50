// The protocol loop on arbitrary bytes in arbitrary read sizes. The clock
// moves 100 s at every reading, so every search stops at its first time check.
// After each input: no stone outside the playable cells, and every answer line
// is one the protocol allows.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "shell/engine.h"
#include "shell/protocol_loop.h"
#include "shell/protocol_text.h"

namespace {

std::string directory;

bool AllowedLine(std::string_view line, const ruvex::Engine& engine) {
  using namespace ruvex;
  if (line == "OK" || line == "UNKNOWN" || line.starts_with("ERROR ") ||
      line.starts_with("MESSAGE ") || line == IdentityLine(engine.settings.EngineVersion)) {
    return true;
  }
  const ProtocolMove move = ReadMove(line);
  // The engine's stone is written by now or next.
  return OnBoard(move) && MoveText(move) == line &&
         engine.game(GridCellOf(move).x, GridCellOf(move).y) != Opponent;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  directory = (std::filesystem::temp_directory_path() / "ruvex-fuzz-protocol").string() + "/";
  std::filesystem::create_directories(directory);
  std::filesystem::copy_file(RUVEX_SOURCE_DIR "/data/brain.map", directory + "brain.map",
                             std::filesystem::copy_options::overwrite_existing);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ruvex;
  if (size < 1) return 0;
  uint32_t random = data[0] * 2654435761u + 1;  // read sizes come from the first byte
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  int64_t now = 0;
  const auto fresh = std::make_unique<Engine>();  // a fresh engine per input
  Engine& engine = *fresh;
  Host host = SystemHost();
  host.read = [&](char* buffer, std::size_t want) -> std::size_t {
    random = random * 1664525u + 1013904223u;
    std::size_t n = (random >> 24) % 4 == 0 ? want : 1 + (random >> 8) % 300;
    n = std::min({n, want, input.size()});
    std::memcpy(buffer, input.data(), n);
    input.remove_prefix(n);
    return n;
  };
  host.write = [&](std::string_view bytes) {
    if (!bytes.ends_with("\r\n") || bytes.find("\r\n") != bytes.size() - 2 ||
        !AllowedLine(bytes.substr(0, bytes.size() - 2), engine)) {
      std::abort();
    }
  };
  host.clock = [&] { return now += 100000; };
  host.sleep = [](int32_t) {};
  host.memory = [] { return uint64_t{0}; };
  InitEngine(engine, host, directory);
  ProtocolLoop(engine);
  for (int x = 0; x <= BoardSize + 1; ++x) {
    for (int y = 0; y <= BoardSize + 1; ++y) {
      if (!IsPlayable(x, y) && IsStone(engine.game(x, y))) std::abort();
    }
  }
  return 0;
}
