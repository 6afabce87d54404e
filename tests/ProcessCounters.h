#pragma once

#include <dirent.h>
#include <unistd.h>

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
inline std::string ThreadName(const char* task) {
  std::ifstream comm(std::string("/proc/self/task/") + task + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// Threads, less those of Qt's global pool ("Thread (pooled)"): Qt starts them for work it
// spreads over threads (image conversions among it) and ends them after 30 s unused, on a
// clock of its own.
inline int Threads() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.' && ThreadName(entry->d_name) != "Thread (pooled)") ++count;
    closedir(dir);
  }
  return count;
}

// The threads' names and the open files' targets, to say what came or went.
inline std::string Describe() {
  std::string text = "threads:";
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') text += " " + ThreadName(entry->d_name);
    }
    closedir(dir);
  }
  text += "; files:";
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      char target[256] = {};
      const std::string link = std::string("/proc/self/fd/") + entry->d_name;
      if (readlink(link.c_str(), target, sizeof target - 1) < 0) continue;
      text += std::string(" ") + entry->d_name + "=" + target;
    }
    closedir(dir);
  }
  return text;
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
