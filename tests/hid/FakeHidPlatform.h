#pragma once

#include <cerrno>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "BoardDescriptor.h"
#include "hid/HidPlatform.h"

// An in-process platform: interfaces that the test plugs and unplugs, each with a socket
// pair standing in for its node, so the reader's poll and read are real. Reports the test
// sends arrive whole (sequenced packets); unplugging hangs the socket up, as a hidraw node
// reports a vanished device.
class TFakeHidPlatform : public THidPlatform {
 public:
  struct TInterface {
    THidAttributes attributes{0x21CF, 0x0004, 0x0100};
    std::vector<uint8_t> descriptor;
    bool readWrite = true;        // false: the node may only be queried
    int readWriteError = EACCES;  // what a refused open for reading and writing says
    // The device answers nothing: a write to it never ends (until Unwedge or the platform's
    // end), and nothing is ever read from it. The system's own answers (listing, identity,
    // descriptor, queue lengths) still come.
    bool wedged = false;
    bool identifyFails = false;  // the identity can't be read
    bool openFails = false;      // the node vanished between listing and opening
    bool openRaises = false;     // opening it raises an error of no kind the layer knows
    std::string name = "fake device";
  };

  TFakeHidPlatform();
  ~TFakeHidPlatform() override;

  // Returns the interface's path.
  std::string Plug(const TInterface& iface);
  void Unplug(const std::string& path);
  TInterface& Interface(const std::string& path);
  // Sends one input report as the device would (bytes as they come off the node).
  void SendReport(const std::string& path, const std::vector<uint8_t>& report);
  std::vector<std::vector<uint8_t>> Written(const std::string& path);
  // Makes the change monitor readable, as a uevent would.
  void SignalChange();
  // Ends every write waiting on a wedged device (it fails with ETIMEDOUT).
  void Unwedge();
  // How often the interface at path was opened with that access, and how many of its
  // handles with access rights are open now.
  int Opens(const std::string& path, THidAccess access);
  int OpenFiles(const std::string& path);

  // Called after every successful write, outside the platform's lock: a board answers here.
  std::function<void(const std::string& path, const std::vector<uint8_t>& report)> onWrite;

  bool bindFails = false;
  int bindCount = 0;
  int openHandles = 0;  // files open now
  int setBufferCalls = 0;
  int enumerations = 0;

  // THidPlatform
  bool BindSetupServices() override;
  void ReleaseSetupServices() override;
  bool EnumerateInterfaces(std::vector<THidInterfaceRecord>& records) override;
  TSystemHandle OpenChangeMonitor() override { return TSystemHandle::FromDescriptor(monitorFd_); }
  bool DrainChangeEvents(TSystemHandle monitor) override;
  void CloseChangeMonitor(TSystemHandle) override {}
  THidHandle Open(const std::string& path, THidAccess access) override;
  void Close(THidHandle& handle) override;
  bool Write(const THidHandle& handle, const uint8_t* buffer, uint32_t length,
             uint32_t& written) override;
  THidReadResult Read(const THidHandle& handle, uint8_t* buffer, uint32_t length,
                      bool prependReportId, int timeoutMs, TSystemHandle wake) override;
  bool GetAttributes(const THidHandle& handle, THidAttributes& attributes) override;
  bool GetDescriptorInfo(const THidHandle& handle, THidDescriptorInfo& info) override;
  bool SetNumInputBuffers(const THidHandle& handle, int count) override;
  bool GetNumInputBuffers(const THidHandle& handle, int& count) override;
  // The remedy for an error as `remedies` has it, else `accessRemedy`; the error asked
  // about is kept.
  THidAccessRemedy AccessRemedy(int openError) const override;
  bool ReadWriteHandlesStandInTheWay() const override { return readWriteStandsInTheWay; }

  THidAccessRemedy accessRemedy = THidAccessRemedy::CheckPermissions;
  std::map<int, THidAccessRemedy> remedies;
  mutable int remedyAskedFor = 0;
  bool readWriteStandsInTheWay = false;  // as on Windows

 private:
  struct TNode {
    TInterface iface;
    std::string instance;
    bool present = true;
    int deviceEnd = -1;  // what handles are opened on
    int testEnd = -1;    // where the test sends reports
    std::vector<std::vector<uint8_t>> written;
    std::map<int, int> queueLength;  // per open file
    std::map<THidAccess, int> opens;
    int openFiles = 0;
  };
  TNode* Find(const std::string& path);

  std::mutex mutex_;  // the reader thread reads through Read()
  std::condition_variable unwedged_;
  bool unwedge_ = false;
  std::vector<std::pair<std::string, TNode>> nodes_;
  int nextNumber_ = 0;
  int monitorFd_;
};

// A device with numbered reports: input report 5 of 2 bytes, no output.
std::vector<uint8_t> NumberedDescriptor();
