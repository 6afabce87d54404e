#include "Thread.h"

#include "MainThreadCall.h"

TThread::~TThread() {
  if (thread_.joinable()) {
    Terminate();
    WaitFor();
  }
}

void TThread::Start() {
  MainThreadCall::AttachToEventLoop();
  thread_ = std::thread([this] { Run(); });
}

void TThread::Terminate() {
  terminated_ = true;
  TerminateRequested();
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    // A worker has nobody to report to; ending quietly keeps the process alive, and the
    // owner sees Finished().
  }
  finished_ = true;
  // An abandoned worker may come back from its blocked call as late as the process's end,
  // when the hand-over is already being taken apart: nobody waits for it then.
  if (!abandoned_) MainThreadCall::Wake();
}

void TThread::WaitFor() {
  if (!thread_.joinable()) return;
  if (MainThreadCall::IsMainThread())
    MainThreadCall::ServeUntil([this] { return finished_.load(); });
  thread_.join();
}

void TThread::Abandon() {
  abandoned_ = true;
  if (thread_.joinable()) thread_.detach();
}

void TThread::Synchronize(const std::function<void()>& call) {
  MainThreadCall::Synchronize(call);
}
