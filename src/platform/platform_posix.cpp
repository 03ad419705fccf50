// Linux implementation of the platform layer.
#include <fcntl.h>
#include <sys/mman.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

namespace ruvex::platform {

void PrepareStreams() { signal(SIGPIPE, SIG_IGN); }

std::size_t ReadStdin(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;
  }
}

void WriteStdout(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(STDOUT_FILENO, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

int64_t MonotonicMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void SleepMilliseconds(int32_t milliseconds) {
  if (milliseconds <= 0) return;
  timespec ts{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

namespace {

std::string WithSeparator(std::string path) {
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path;
}

}  // namespace

std::string ExecutableDirectory() {
  char path[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
  if (n <= 0) return {};
  std::string text(path, static_cast<std::size_t>(n));
  const std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string{} : text.substr(0, slash + 1);
}

std::string CurrentDirectory() {
  char path[PATH_MAX + 1];
  if (getcwd(path, sizeof path) == nullptr) return {};
  return WithSeparator(path);
}

FileKind QueryFile(const std::string& path, uint64_t* size) {
  struct stat info {};
  if (size != nullptr) *size = 0;
  if (stat(path.c_str(), &info) != 0) return FileKind::Missing;
  if (S_ISDIR(info.st_mode)) return FileKind::Directory;
  if (!S_ISREG(info.st_mode)) return FileKind::Other;
  if (size != nullptr) *size = static_cast<uint64_t>(info.st_size);
  return FileKind::Regular;
}

bool ReadFilePrefix(const std::string& path, std::size_t max_bytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes.resize(max_bytes);
  std::size_t filled = 0;
  ssize_t n = 0;
  while (filled < max_bytes) {
    n = read(fd, bytes.data() + filled, max_bytes - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    filled += static_cast<std::size_t>(n);
  }
  close(fd);
  bytes.resize(n < 0 ? 0 : filled);
  return n >= 0;
}

namespace {

constexpr std::size_t HugePageBytes = std::size_t{2} << 20;

void* MapPages(std::size_t bytes) {
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return memory == MAP_FAILED ? nullptr : memory;
}

}  // namespace

// A block of 2 MiB or more starts on a 2 MiB boundary and asks for huge
// pages: its first touches then fault 2 MiB at a time instead of 4 KiB (no
// storm of page faults in the search), and random probes of a large table
// stay within the processor's address cache. The pages still only count in
// the resident set once touched, and leave it when the block is freed.
void* AllocateZeroedPages(std::size_t bytes) {
  if (bytes < HugePageBytes || bytes > SIZE_MAX - HugePageBytes) return MapPages(bytes);
  const std::size_t span = bytes + HugePageBytes;
  auto* raw = static_cast<char*>(MapPages(span));
  if (raw == nullptr) return nullptr;
  const auto address = reinterpret_cast<std::uintptr_t>(raw);
  const std::size_t head = (HugePageBytes - address % HugePageBytes) % HugePageBytes;
  const long page = sysconf(_SC_PAGESIZE);
  const std::size_t pageBytes = page > 0 ? static_cast<std::size_t>(page) : 4096;
  const std::size_t used = (bytes + pageBytes - 1) / pageBytes * pageBytes;
  if (head > 0) munmap(raw, head);
  if (span - head > used) munmap(raw + head + used, span - head - used);
#ifdef MADV_HUGEPAGE
  madvise(raw + head, used, MADV_HUGEPAGE);
#endif
  return raw + head;
}

void FreePages(void* memory, std::size_t bytes) {
  if (memory != nullptr) munmap(memory, bytes);
}

uint64_t ResidentMemoryBytes() {
  FILE* file = std::fopen("/proc/self/statm", "r");
  if (file == nullptr) return 0;
  unsigned long long total = 0, resident = 0;
  const int fields = std::fscanf(file, "%llu %llu", &total, &resident);
  std::fclose(file);
  if (fields != 2) return 0;
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<uint64_t>(resident) * static_cast<uint64_t>(page) : 0;
}

}  // namespace ruvex::platform
