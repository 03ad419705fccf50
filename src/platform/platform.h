// Every operating-system call of the engine goes through these functions.
// platform_posix.cpp implements them for Linux; a Win32 file will implement
// the same declarations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ruvex::platform {

// Prepares the standard streams once: single-byte binary mode, and a write to
// a closed pipe reports an error instead of ending the process.
void PrepareStreams();

// Blocking read of standard input: waits until at least one byte is there and
// returns how many bytes were stored (at most size). Returns 0 at end of input
// and on a read error (interrupted reads are retried).
std::size_t ReadStdin(char* buffer, std::size_t size);

// What one read of standard input came to. A read that succeeds with no
// bytes is the end only when writerPresent says the writer has gone (on
// Windows a zero-length write by the manager gives such a read; Wine and a
// file give it at the end). A failed read is the end.
enum class ReadVerdict { Bytes, Again, End };
ReadVerdict JudgeRead(bool succeeded, std::size_t count,
                      const std::function<bool()>& writerPresent);

// Writes all bytes to standard output and flushes them. Failures are ignored.
void WriteStdout(const char* data, std::size_t size);

// Monotonic clock in milliseconds from an arbitrary zero point.
int64_t MonotonicMilliseconds();

// Sleeps for the given number of milliseconds (nothing for 0 or less).
void SleepMilliseconds(int32_t milliseconds);

// Directory of the running executable, ending in its path separator;
// empty when it cannot be determined.
std::string ExecutableDirectory();

// Current working directory, ending in a path separator; empty when unknown.
std::string CurrentDirectory();

enum class FileKind { Missing, Directory, Regular, Other };

// What the path names; for a regular file also its size in bytes.
FileKind QueryFile(const std::string& path, uint64_t* size);

// Opens the file for reading and stores at most max_bytes of its beginning in
// bytes. Returns false, with bytes empty, when the file cannot be opened or a
// read of it fails.
bool ReadFilePrefix(const std::string& path, std::size_t max_bytes, std::vector<uint8_t>& bytes);

// Zero-filled memory straight from the system, for large blocks that live
// long; nullptr when none can be had. FreePages hands the memory back to the
// system at once, so it leaves the resident set (a heap could keep it).
void* AllocateZeroedPages(std::size_t bytes);
void FreePages(void* memory, std::size_t bytes);

// Resident memory of this process in bytes; 0 when it cannot be measured.
uint64_t ResidentMemoryBytes();

}  // namespace ruvex::platform
