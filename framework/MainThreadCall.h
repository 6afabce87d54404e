#pragma once

#include <functional>

// The one bridge from worker threads to the main thread. A worker hands a call over and
// blocks until the main thread has run it; the main thread runs waiting calls whenever it
// processes messages (the event loop, the message-processing wait, a modal box) and while
// it waits for a worker to end. Application data is therefore only touched on the main
// thread, and no lock is needed above this layer.
namespace MainThreadCall {

// Worker side: runs `call` on the main thread and returns once it has run. An exception
// the call raises is raised again here. On the main thread itself the call runs at once.
void Synchronize(const std::function<void()>& call);

// Main side: runs every call that is waiting, in the order they were handed over.
// Returns how many ran.
int RunPending();

// Main side: serves handed-over calls until `finished` answers true, or, with a timeout,
// until that many milliseconds have passed; answers whether `finished` came true. Whoever
// changes what `finished` looks at calls Wake() afterwards, so the check is never missed.
bool ServeUntil(const std::function<bool()>& finished, int timeoutMs = -1);
void Wake();

bool IsMainThread();

// Main side: lets the running event loop serve hand-overs by itself. Done on the first
// RunPending() and when a worker thread starts; harmless to repeat.
void AttachToEventLoop();

}  // namespace MainThreadCall
