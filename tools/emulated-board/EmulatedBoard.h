#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BoardOptions.h"
#include "BoardResponder.h"
#include "HidTestbed.h"

// The virtual board on an emulated node (umockdev) instead of /dev/uhid: the same
// answers, signal and faults as simplescope-board, served on a thread of its own. The
// signal goes on across unplugs, as the board tool's does.
//
// The node is a stream, where hidraw hands out one report per read: each answer is let onto
// the node only once the one before it has been read, sized so that the program's poll and
// read see exactly it. So a short answer reaches the program as a short report, as from a
// device, and not as part of the next. Answers wait for their turn, up to the reports
// hidraw keeps for a reader; beyond that the newest are lost, as there. An answer of no
// bytes has no read to arrive in and is not seen at all.
class TEmulatedBoard {
 public:
  TEmulatedBoard(THidTestbed& bed, const TBoardOptions& options);
  ~TEmulatedBoard();

  // Plugs the board in, with the add uevents a plug sends (or quietly, as if it had been
  // there before the program started).
  void Plug(bool announce = true);
  void Unplug();
  bool Plugged() const { return node_ >= 0; }

  // Every answer put on the node so far, oldest first.
  std::vector<std::vector<uint8_t>> Sent();
  // The command reports the board has read so far, across plugs.
  uint64_t Commands();

 private:
  void Serve(int master, int control);
  void Deliver(int master, int control, std::vector<uint8_t> answer);

  THidTestbed& bed_;
  const std::string name_;
  const bool verbose_;  // commands and answers said on standard error
  std::mutex mutex_;
  TBoardResponder responder_;
  std::vector<std::vector<uint8_t>> sent_;
  uint64_t commands_ = 0;
  int node_ = -1;
  int stop_ = -1;  // an eventfd that ends the serving thread
  std::thread thread_;
};
