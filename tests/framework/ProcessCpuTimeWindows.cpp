#include <windows.h>

#include "ProcessCpuTime.h"

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& time) {  // 100-nanosecond units
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return double(ticks(kernel) + ticks(user)) / 10000.0;
}
