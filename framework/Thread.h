#pragma once

#include <atomic>
#include <functional>
#include <thread>

// A worker thread that talks to the main thread only through the synchronous hand-over.
// The owner starts it, asks it to stop with Terminate() and waits for it with WaitFor(),
// which keeps serving the worker's hand-overs meanwhile, so a worker blocked in a hand-over
// when the stop begins finishes that call and then ends: stopping cannot deadlock.
class TThread {
 public:
  TThread() = default;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  // Stops and joins a thread that is still running.
  virtual ~TThread();

  void Start();
  // Asks the worker to stop; it notices at its next check of Terminated() or wake-up.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }
  // Main thread: waits for the worker to end, serving its hand-overs meanwhile.
  void WaitFor();
  // Main thread: nobody will wait for the worker, which may be blocked for good in a call
  // of the system's. Its object must then outlive the worker: keep it for the process's life.
  void Abandon();

 protected:
  virtual void Execute() = 0;
  // Called by Terminate() on the caller's thread, so a worker that sleeps on something
  // other than the flag can be woken.
  virtual void TerminateRequested() {}
  // Worker side: runs `call` on the main thread and blocks until it has run.
  void Synchronize(const std::function<void()>& call);

 private:
  void Run();

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> abandoned_{false};
};
