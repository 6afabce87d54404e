#pragma once

#include <cstdint>
#include <vector>

#include "tools/simplescope-board/BoardDescriptor.h"

// The experiment board's report descriptor, as the virtual board presents it.
inline const std::vector<uint8_t> kBoardDescriptor(kBoardReportDescriptor.begin(),
                                                   kBoardReportDescriptor.end());
