// Windows implementation of the platform layer. Paths cross this layer as
// UTF-8 and are handed to the wide-character Windows functions.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// PROCESS_MEMORY_COUNTERS and K32GetProcessMemoryInfo (exported by kernel32).
#include <psapi.h>

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstdio>
#include <initializer_list>

#include "platform/platform.h"

namespace ruvex::platform {

namespace {

// Every console event is left to the system's default action, which ends
// the process (Ctrl+C, Ctrl+Break, closing the console window).
BOOL WINAPI LeaveConsoleEventToSystem(DWORD) {
  return FALSE;
}

bool IsValidHandle(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// UTF-8 to UTF-16; false for text that is not valid UTF-8.
bool Widen(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  const int length = static_cast<int>(text.size());
  const int count =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (count <= 0) return false;
  wide.resize(static_cast<std::size_t>(count));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(),
                             count) == count;
}

// UTF-16 to UTF-8; empty for text that is not valid UTF-16 (a lone surrogate
// in a file name), which callers treat as an unknown path.
std::string Narrow(const std::wstring& wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int length = static_cast<int>(wide.size());
  const int count = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, nullptr,
                                        0, nullptr, nullptr);
  if (count <= 0) return {};
  std::string text(static_cast<std::size_t>(count), '\0');
  if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), length, text.data(), count,
                          nullptr, nullptr) != count) {
    return {};
  }
  return text;
}

// A function of a library loaded at run time, as the given pointer type.
template <typename Function>
Function LookUp(HMODULE library, const char* name) {
  // Through void (*)() so that the compiler accepts the function-type cast.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// Sets the system timer resolution to 1 ms for the life of the process, so
// that Sleep keeps to the millisecond. Without winmm the pauses are coarser.
bool SetTimerResolution() {
  using TimeBeginPeriod = UINT(WINAPI*)(UINT);
  const HMODULE winmm = LoadLibraryW(L"winmm.dll");
  if (winmm == nullptr) return false;
  const auto begin = LookUp<TimeBeginPeriod>(winmm, "timeBeginPeriod");
  // The library stays loaded: the resolution belongs to the process from now on.
  return begin != nullptr && begin(1) == 0;  // TIMERR_NOERROR
}

struct ClockState {
  int64_t ticksPerMillisecond = 0;  // 0: no performance counter
  int64_t counterZero = 0;
  uint64_t tickZero = 0;
};

ClockState StartClock() {
  ClockState clock;
  clock.tickZero = GetTickCount64();
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  if (QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&counter)) {
    clock.ticksPerMillisecond = frequency.QuadPart / 1000;
    clock.counterZero = counter.QuadPart;
  }
  return clock;
}

}  // namespace

void PrepareStreams() {
  // Reads and writes go through the Win32 handles; binary mode keeps the C
  // runtime from translating line ends should anything use its streams.
  // A failure (no such stream) changes nothing the engine relies on.
  for (FILE* stream : {stdin, stdout}) {
    const int descriptor = _fileno(stream);  // negative when the stream is not open
    if (descriptor >= 0) (void)_setmode(descriptor, _O_BINARY);
  }
  // Without a console (a manager's pipes) both calls fail harmlessly. A write
  // to a closed pipe fails with an error code; no signal ends the process.
  (void)SetConsoleCtrlHandler(LeaveConsoleEventToSystem, TRUE);
  (void)SetConsoleTitleW(L"");
}

std::size_t ReadStdin(char* buffer, std::size_t size) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!IsValidHandle(input) || size == 0) return 0;
  const DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  // A manager's write of no bytes makes ReadFile succeed with none; the end
  // is a failed read (the writer has gone), or a read of no bytes once the
  // pipe cannot be peeked (a file, or a pipe whose writer has gone under Wine).
  const auto writerPresent = [input] {
    DWORD waiting = 0;
    return PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr) != FALSE;
  };
  for (;;) {
    DWORD count = 0;
    const bool succeeded = ReadFile(input, buffer, wanted, &count, nullptr) != FALSE;
    switch (JudgeRead(succeeded, count, writerPresent)) {
      case ReadVerdict::Bytes:
        return count;
      case ReadVerdict::End:
        return 0;
      case ReadVerdict::Again:
        break;
    }
  }
}

void WriteStdout(const char* data, std::size_t size) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!IsValidHandle(output)) return;
  DWORD mode = 0;
  if (GetConsoleMode(output, &mode)) {
    // A console shows wide text; every text the engine writes is ASCII.
    std::wstring wide(size, L'\0');
    for (std::size_t i = 0; i < size; ++i) wide[i] = static_cast<unsigned char>(data[i]);
    const wchar_t* rest = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
      DWORD written = 0;
      const DWORD chunk = left > 8192 ? 8192 : static_cast<DWORD>(left);
      if (!WriteConsoleW(output, rest, chunk, &written, nullptr) || written == 0) break;
      rest += written;
      left -= written;
    }
  } else {
    while (size > 0) {
      DWORD written = 0;
      const DWORD chunk = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
      if (!WriteFile(output, data, chunk, &written, nullptr) || written == 0) break;
      data += written;
      size -= written;
    }
  }
  (void)FlushFileBuffers(output);  // fails on a console, which holds nothing back
}

int64_t MonotonicMilliseconds() {
  static const ClockState clock = StartClock();
  LARGE_INTEGER counter{};
  if (clock.ticksPerMillisecond > 0 && QueryPerformanceCounter(&counter)) {
    return (counter.QuadPart - clock.counterZero) / clock.ticksPerMillisecond;
  }
  return static_cast<int64_t>(GetTickCount64() - clock.tickZero);
}

void SleepMilliseconds(int32_t milliseconds) {
  static const bool resolutionSet = SetTimerResolution();
  (void)resolutionSet;
  if (milliseconds <= 0) return;
  Sleep(static_cast<DWORD>(milliseconds));
}

std::string ExecutableDirectory() {
  // The buffer grows until the whole path fits (paths reach 32767 characters).
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      break;
    }
    if (path.size() >= 65536) return {};
    path.resize(path.size() * 2);
  }
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  path.resize(separator + 1);
  return Narrow(path);
}

std::string CurrentDirectory() {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);  // counts the closing zero
    if (needed == 0) return {};
    std::wstring path(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, path.data());
    if (length == 0) return {};
    if (length >= needed) continue;  // changed meanwhile to a longer one
    path.resize(length);
    if (path.back() != L'\\') path.push_back(L'\\');
    return Narrow(path);
  }
  return {};
}

FileKind QueryFile(const std::string& path, uint64_t* size) {
  if (size != nullptr) *size = 0;
  std::wstring wide;
  if (!Widen(path, wide) || wide.empty()) return FileKind::Missing;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return FileKind::Missing;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::Directory;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::Other;
  if (size != nullptr) {
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return FileKind::Regular;
}

bool ReadFilePrefix(const std::string& path, std::size_t max_bytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::wstring wide;
  if (!Widen(path, wide) || wide.empty()) return false;
  // Other readers may hold the file at the same time (two engines started
  // from one directory); a writer may not.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsValidHandle(file)) return false;
  bytes.resize(max_bytes);
  std::size_t filled = 0;
  while (filled < max_bytes) {
    const std::size_t left = max_bytes - filled;
    const DWORD wanted = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD count = 0;
    if (!ReadFile(file, bytes.data() + filled, wanted, &count, nullptr)) {
      (void)CloseHandle(file);
      bytes.clear();
      return false;
    }
    if (count == 0) break;
    filled += count;
  }
  (void)CloseHandle(file);
  bytes.resize(filled);
  return true;
}

void* AllocateZeroedPages(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreePages(void* memory, std::size_t) {
  if (memory != nullptr) (void)VirtualFree(memory, 0, MEM_RELEASE);
}

uint64_t ResidentMemoryBytes() {
  // K32GetProcessMemoryInfo lives in kernel32, which every process has: no
  // library is loaded by name, so no stray DLL beside the brain is picked up.
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
}

}  // namespace ruvex::platform
