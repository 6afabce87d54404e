#pragma once

#include <sys/types.h>
#include <umockdev.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// HID devices on an emulated sysfs and /dev (umockdev): each is a usb device, its hid
// device with the report descriptor and name, and a hidraw node backed by a raw pty, so
// poll, read and write on the node are real. The process (or the programs it starts) must
// run with umockdev's preload library. Create and destroy a bed only while no other threads
// run.
class THidTestbed {
 public:
  // What the node's ioctls answer, for the handler on umockdev's own thread.
  struct TIdentity {
    uint16_t vendor = 0, product = 0;
    std::vector<uint8_t> descriptor;
    std::string name;  // as the hid device's HID_NAME says it
  };
  struct TNode {
    std::string usb, hid, hidraw, devnode;
    int master = -1;  // the pty's master side: commands come out, reports go in
    // The pty's side the program opens, held by the bed as well: what is still unread on
    // the node, and how many bytes make a read, are seen and set through it.
    int control = -1;
    // A process of its own session whose terminal the pty is (see KeepTerminal).
    pid_t keeper = -1;
    std::shared_ptr<TIdentity> identity;
    UMockdevIoctlBase* ioctls = nullptr;  // answers the hidraw ioctls, where asked to
  };

  THidTestbed();
  ~THidTestbed();
  THidTestbed(const THidTestbed&) = delete;
  THidTestbed& operator=(const THidTestbed&) = delete;

  // Adds a device and returns its number. A device the user may not open gets a node that
  // can't be opened for writing. `announce` sends the add uevents, as a plug does. A read of
  // the node returns 64 bytes at a time until its control side says otherwise.
  int Add(uint16_t vendor, uint16_t product, const std::vector<uint8_t>& descriptor,
          bool accessible = true, bool announce = false, const std::string& name = "test");
  // Unplugs a device: remove uevents, its sysfs entries gone, its node hung up.
  void Remove(int number);
  // Sends a uevent for a device that is there.
  void Announce(int number, const char* action);
  // Nodes added from now on answer the hidraw ioctls (descriptor, identity, name) as the
  // kernel does, for programs that know no other way to ask (Wine's HID bus). Without
  // this they fail, and sysfs is where the answers are.
  void SetAnswerIoctls(bool answer) { answerIoctls_ = answer; }

  TNode& Node(int number) { return nodes_[number]; }
  int Count() const { return static_cast<int>(nodes_.size()); }
  std::string RootDir() const;

 private:
  void AttachIoctls(TNode& node);
  static pid_t KeepTerminal(int control);
  static void HangUp(TNode& node);

  UMockdevTestbed* testbed_;
  std::vector<TNode> nodes_;
  bool answerIoctls_ = false;
};
