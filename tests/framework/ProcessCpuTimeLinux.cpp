#include <ctime>

#include "ProcessCpuTime.h"

double ProcessCpuMs() {
  return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}
