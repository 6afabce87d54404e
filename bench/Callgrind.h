#pragma once

// Marks for counting only part of a run under callgrind (--instr-atstart=no); without
// valgrind's headers they mark nothing.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif
