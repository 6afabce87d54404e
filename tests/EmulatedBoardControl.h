#pragma once

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

// The emulated board behind a Windows test program under Wine (tools/wine-board-run.sh):
// the program can't signal the Linux process that holds the board, so it asks for an unplug
// or a plug by making a file in a folder they share, which the board deletes once done.
namespace EmulatedBoardControl {

// The shared folder, or empty when no emulated board runs the test.
inline std::string Folder() {
  const char* folder = std::getenv("SIMPLESCOPE_BOARD_CONTROL");
  return folder ? folder : "";
}

// Asks for "unplug" or "plug" and waits (up to 10 s) until the board has done it.
inline bool Request(const std::string& what) {
  const std::string file = Folder() + "/" + what;
  std::ofstream(file) << what;
  for (int i = 0; i < 500; ++i) {
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace EmulatedBoardControl
