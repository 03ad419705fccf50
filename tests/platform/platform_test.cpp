// The operating-system layer itself, on the system the tests run on: files
// and paths (UTF-8 names too), the standard streams through real pipes,
// system pages and the resident-memory probe.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "temp_dir.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ruvex {
namespace {

using testing::TempDir;

#ifdef _WIN32
constexpr const char* kExecutableSuffix = ".exe";
#else
constexpr const char* kExecutableSuffix = "";
#endif

bool EndsInSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << Utf8(path);
}

// Standard input or output of this process replaced by a pipe for the life
// of the object; the test holds the pipe's other end.
class StdPipe {
 public:
  enum class Stream { Input, Output };

  explicit StdPipe(Stream stream) {
#ifdef _WIN32
    which_ = stream == Stream::Input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, 0)) return;
    processEnd_ = stream == Stream::Input ? read : write;
    testEnd_ = stream == Stream::Input ? write : read;
    saved_ = GetStdHandle(which_);
    ok_ = SetStdHandle(which_, processEnd_) != 0;
#else
    fd_ = stream == Stream::Input ? STDIN_FILENO : STDOUT_FILENO;
    int ends[2];
    if (pipe(ends) != 0) return;
    const int processEnd = stream == Stream::Input ? ends[0] : ends[1];
    testEnd_ = stream == Stream::Input ? ends[1] : ends[0];
    saved_ = dup(fd_);
    ok_ = saved_ >= 0 && dup2(processEnd, fd_) >= 0;
    close(processEnd);  // fd_ holds it now
#endif
  }

  ~StdPipe() {
    CloseTestEnd();
#ifdef _WIN32
    if (ok_) SetStdHandle(which_, saved_);
    if (processEnd_ != nullptr) CloseHandle(processEnd_);
#else
    if (saved_ >= 0) {
      dup2(saved_, fd_);
      close(saved_);
    }
#endif
  }

  StdPipe(const StdPipe&) = delete;
  StdPipe& operator=(const StdPipe&) = delete;

  bool ok() const {
    return ok_;
  }

  // For Input: bytes the process will read.
  bool Write(std::string_view bytes) {
#ifdef _WIN32
    DWORD written = 0;
    return WriteFile(testEnd_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
#else
    return write(testEnd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
#endif
  }

  // For Output: reads until count bytes came or the pipe ends.
  std::string Read(std::size_t count) {
    std::string bytes;
    char buffer[256];
    while (bytes.size() < count) {
      const std::size_t want = std::min(sizeof buffer, count - bytes.size());
#ifdef _WIN32
      DWORD got = 0;
      if (!ReadFile(testEnd_, buffer, static_cast<DWORD>(want), &got, nullptr) || got == 0) break;
#else
      const ssize_t got = read(testEnd_, buffer, want);
      if (got <= 0) break;
#endif
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
  }

  void CloseTestEnd() {
#ifdef _WIN32
    if (testEnd_ != nullptr) CloseHandle(testEnd_);
    testEnd_ = nullptr;
#else
    if (testEnd_ >= 0) close(testEnd_);
    testEnd_ = -1;
#endif
  }

 private:
  bool ok_ = false;
#ifdef _WIN32
  DWORD which_ = 0;
  HANDLE processEnd_ = nullptr;
  HANDLE testEnd_ = nullptr;
  HANDLE saved_ = nullptr;
#else
  int fd_ = -1;
  int testEnd_ = -1;
  int saved_ = -1;
#endif
};

TEST(PlatformFiles, QueryTellsMissingDirectoryAndRegularFileApart) {
  TempDir dir;
  ASSERT_FALSE(dir.Dir().empty());
  uint64_t size = 99;
  EXPECT_EQ(platform::QueryFile(dir.File("absent"), &size), platform::FileKind::Missing);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(platform::QueryFile("", &size), platform::FileKind::Missing);

  size = 99;
  EXPECT_EQ(platform::QueryFile(dir.Dir(), &size), platform::FileKind::Directory);
  EXPECT_EQ(size, 0u);

  WriteBytes(dir.File("five"), "12345");
  EXPECT_EQ(platform::QueryFile(dir.File("five"), &size), platform::FileKind::Regular);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(platform::QueryFile(dir.File("five"), nullptr), platform::FileKind::Regular);

  WriteBytes(dir.File("empty"), "");
  size = 99;
  EXPECT_EQ(platform::QueryFile(dir.File("empty"), &size), platform::FileKind::Regular);
  EXPECT_EQ(size, 0u);
}

TEST(PlatformFiles, ReadPrefixStopsAtTheLimitOrTheEnd) {
  TempDir dir;
  ASSERT_FALSE(dir.Dir().empty());
  std::string content(70000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + 1);
  WriteBytes(dir.File("data"), content);

  std::vector<uint8_t> bytes{1, 2, 3};
  ASSERT_TRUE(platform::ReadFilePrefix(dir.File("data"), 68680, bytes));
  ASSERT_EQ(bytes.size(), 68680u);
  EXPECT_EQ(std::memcmp(bytes.data(), content.data(), bytes.size()), 0);

  ASSERT_TRUE(platform::ReadFilePrefix(dir.File("data"), 100000, bytes));
  ASSERT_EQ(bytes.size(), content.size());
  EXPECT_EQ(std::memcmp(bytes.data(), content.data(), bytes.size()), 0);

  ASSERT_TRUE(platform::ReadFilePrefix(dir.File("data"), 0, bytes));
  EXPECT_TRUE(bytes.empty());

  bytes = {1, 2, 3};
  EXPECT_FALSE(platform::ReadFilePrefix(dir.File("absent"), 10, bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(PlatformFiles, PathsAreUtf8) {
  TempDir dir;
  ASSERT_FALSE(dir.Dir().empty());
  const std::filesystem::path folder =
      std::filesystem::path(dir.Dir()) /
      std::filesystem::path(u8"d\u00e9p\u00f4t-\u0434\u043e\u0441\u043a\u0430");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  WriteBytes(folder / "brain.map", "weights");
  const std::string utf8 = Utf8(folder) + "/";

  uint64_t size = 0;
  EXPECT_EQ(platform::QueryFile(utf8, &size), platform::FileKind::Directory);
  EXPECT_EQ(platform::QueryFile(utf8 + "brain.map", &size), platform::FileKind::Regular);
  EXPECT_EQ(size, 7u);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(platform::ReadFilePrefix(utf8 + "brain.map", 100, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "weights");

  // Bytes that are no UTF-8 name nothing here.
  EXPECT_EQ(platform::QueryFile(dir.Dir() + "\xff\xfe", &size), platform::FileKind::Missing);
  EXPECT_FALSE(platform::ReadFilePrefix(dir.Dir() + "\xff\xfe", 100, bytes));

  // The working directory comes back in UTF-8 with its separator.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  const std::string current = platform::CurrentDirectory();
  const std::string expected = Utf8(std::filesystem::current_path());
  std::filesystem::current_path(previous);
  ASSERT_TRUE(EndsInSeparator(current)) << current;
  EXPECT_EQ(current.substr(0, current.size() - 1), expected);
}

TEST(PlatformPaths, ExecutableDirectoryHoldsThisTestProgram) {
  const std::string dir = platform::ExecutableDirectory();
  ASSERT_TRUE(EndsInSeparator(dir)) << dir;
  EXPECT_TRUE(std::filesystem::path(dir).is_absolute()) << dir;
  EXPECT_EQ(platform::QueryFile(dir, nullptr), platform::FileKind::Directory);
  EXPECT_EQ(platform::QueryFile(dir + "platform_tests" + kExecutableSuffix, nullptr),
            platform::FileKind::Regular)
      << dir;
}

TEST(PlatformStreams, ReadStdinDeliversWhatIsThereAndZeroAtTheEnd) {
  StdPipe input(StdPipe::Stream::Input);
  ASSERT_TRUE(input.ok());
  ASSERT_TRUE(input.Write("TURN 9,10\r\n"));
  char buffer[64] = {};
  ASSERT_EQ(platform::ReadStdin(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "TURN");
  ASSERT_EQ(platform::ReadStdin(buffer, sizeof buffer), 7u);
  EXPECT_EQ(std::string(buffer, 7), " 9,10\r\n");
  input.CloseTestEnd();
  EXPECT_EQ(platform::ReadStdin(buffer, sizeof buffer), 0u);
}

// While standard output is the pipe, failures are reported after it is
// restored (on POSIX the test's own report would go into the pipe).
TEST(PlatformStreams, WriteStdoutWritesExactlyTheBytes) {
  platform::PrepareStreams();
  std::string received;
  bool redirected = false;
  {
    StdPipe output(StdPipe::Stream::Output);
    redirected = output.ok();
    if (redirected) {
      // The flush may wait until the bytes are read, so they are read meanwhile.
      std::thread reader([&] { received = output.Read(10); });
      platform::WriteStdout("OK\r\n", 4);
      platform::WriteStdout("10,9\r\n", 6);
      reader.join();
    }
  }
  ASSERT_TRUE(redirected);
  EXPECT_EQ(received, "OK\r\n10,9\r\n");
}

TEST(PlatformStreams, WritingToAClosedPipeReturns) {
  platform::PrepareStreams();  // a closed pipe must not end the process
  bool redirected = false;
  {
    StdPipe output(StdPipe::Stream::Output);
    redirected = output.ok();
    output.CloseTestEnd();
    platform::WriteStdout("OK\r\n", 4);
  }
  EXPECT_TRUE(redirected);  // and the process is still here
}

TEST(PlatformClock, CountsUpAcrossASleep) {
  const int64_t before = platform::MonotonicMilliseconds();
  platform::SleepMilliseconds(30);
  const int64_t after = platform::MonotonicMilliseconds();
  EXPECT_GE(after - before, 25);  // only a lower bound: a busy machine sleeps longer
}

TEST(PlatformMemory, PagesComeZeroedAndShowInTheResidentSize) {
  EXPECT_EQ(platform::AllocateZeroedPages(0), nullptr);

  constexpr std::size_t kBytes = (64u << 20) + 123;
  const uint64_t base = platform::ResidentMemoryBytes();
  ASSERT_GT(base, 0u);
  auto* pages = static_cast<uint8_t*>(platform::AllocateZeroedPages(kBytes));
  ASSERT_NE(pages, nullptr);
  bool zero = true;
  for (std::size_t i = 0; i < kBytes; i += 4096) zero = zero && pages[i] == 0;
  EXPECT_TRUE(zero && pages[kBytes - 1] == 0);
  std::memset(pages, 0x5A, kBytes);
  const uint64_t touched = platform::ResidentMemoryBytes();
  EXPECT_GE(touched, base + (48u << 20)) << base << " -> " << touched;
  platform::FreePages(pages, kBytes);
  platform::FreePages(nullptr, kBytes);
  const uint64_t released = platform::ResidentMemoryBytes();
  EXPECT_LE(released, touched - (48u << 20)) << touched << " -> " << released;
}

}  // namespace
}  // namespace ruvex
