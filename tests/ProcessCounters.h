#pragma once

#include <dirent.h>

#include <fstream>
#include <string>

// What this process holds now, for tests that look for leaks over long runs.
namespace ProcessCounters {

// Under a sanitizer freed memory waits in a quarantine, so resident memory grows without a
// leak; the sanitizer finds leaks there itself.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kResidentMemoryTellsLeaks = false;
#else
inline constexpr bool kResidentMemoryTellsLeaks = true;
#endif

inline int Entries(const char* folder) {
  int count = 0;
  if (DIR* dir = opendir(folder)) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

inline int OpenFiles() {
  return Entries("/proc/self/fd");
}
inline int Threads() {
  return Entries("/proc/self/task");
}

inline long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key)
    if (key == "VmRSS:" && status >> value) return value;
  return 0;
}

}  // namespace ProcessCounters
