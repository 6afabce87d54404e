#pragma once

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "BoardOptions.h"
#include "BoardResponder.h"
#include "HidTestbed.h"

// The virtual board on an emulated node (umockdev) instead of /dev/uhid: the same
// answers, signal and faults as simplescope-board, served on a thread of its own. The
// signal goes on across unplugs, as the board tool's does.
class TEmulatedBoard {
 public:
  TEmulatedBoard(THidTestbed& bed, const TBoardOptions& options);
  ~TEmulatedBoard();

  // Plugs the board in, with the add uevents a plug sends (or quietly, as if it had been
  // there before the program started).
  void Plug(bool announce = true);
  void Unplug();
  bool Plugged() const { return node_ >= 0; }

  // Every answer sent so far, oldest first.
  std::vector<std::vector<uint8_t>> Sent();

 private:
  void Serve(int master);

  THidTestbed& bed_;
  std::mutex mutex_;
  TBoardResponder responder_;
  std::vector<std::vector<uint8_t>> sent_;
  int node_ = -1;
  int stop_ = -1;  // an eventfd that ends the serving thread
  std::thread thread_;
};
