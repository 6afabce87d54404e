#pragma once

#include <cstdint>
#include <functional>

// The wrapping 32-bit millisecond counter that waits are measured with. Tests replace its
// source to put the wrap-around where they want it; an empty source restores the clock.
uint32_t TickCount();
void SetTickSource(std::function<uint32_t()> source);

// Processes every pending message (handed-over calls included) and returns.
void ProcessMessages();

// Returns after at least `milliseconds` by the tick counter, processing every message
// meanwhile: timer ticks (nested ones too), handed-over device deliveries, painting, clicks.
// It sleeps in the event loop until the next message or the deadline rather than spinning,
// so a measuring program costs next to no processor time. The unsigned difference of tick
// counts keeps it right across the counter's wrap.
void WaitMs(uint32_t milliseconds);
