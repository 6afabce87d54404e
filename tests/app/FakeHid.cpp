#include "FakeHid.h"

#include <algorithm>

// Delivers a device's input reports from its own thread, each through the hand-over.
class TFakeAnswerThread : public TThread {
 public:
  explicit TFakeAnswerThread(TFakeHidDevice* device) : device_(device) { Start(); }
  ~TFakeAnswerThread() override {
    Terminate();
    WaitFor();
  }

  void Queue(const std::vector<TReport>& reports) {
    {
      std::lock_guard lock(mutex_);
      for (const TReport& r : reports) queue_.push_back(r);
    }
    wakeup_.notify_all();
  }

 protected:
  void TerminateRequested() override {
    { std::lock_guard lock(mutex_); }
    wakeup_.notify_all();
  }

  void Execute() override {
    for (;;) {
      TReport report;
      {
        std::unique_lock lock(mutex_);
        wakeup_.wait(lock, [&] { return Terminated() || !queue_.empty(); });
        if (Terminated()) return;
        report = queue_.front();
        queue_.pop_front();
      }
      Synchronize([&] { device_->Deliver(report); });
    }
  }

 private:
  TFakeHidDevice* device_;
  std::mutex mutex_;
  std::condition_variable wakeup_;
  std::deque<TReport> queue_;
};

TReport SampleBlock(const std::vector<uint16_t>& samples) {
  TReport report{0};
  for (uint16_t s : samples) {
    report.push_back(static_cast<uint8_t>(s & 0xFF));
    report.push_back(static_cast<uint8_t>(s >> 8));
  }
  return report;
}

TFakeInterface FakeBoard(std::vector<TReport> answer) {
  TFakeInterface board;
  board.identity = {0x21CF, 0x0004, 0x0100};
  board.answer = std::move(answer);
  return board;
}

TFakeHidDevice::TFakeHidDevice(const TFakeInterface& iface, TFakeHidDeviceController* ctl)
    : controller(ctl), iface_(iface), answers_(std::make_unique<TFakeAnswerThread>(this)) {}

TFakeHidDevice::~TFakeHidDevice() {
  answers_.reset();
  if (controller) controller->GiveBack(this);
}

THidPCaps TFakeHidDevice::Capabilities() {
  THidPCaps caps;
  caps.OutputReportByteLength = iface_.outputReportByteLength;
  caps.InputReportByteLength = iface_.inputReportByteLength;
  return caps;
}

bool TFakeHidDevice::WriteReport(const uint8_t* buffer, uint32_t toWrite, uint32_t& written) {
  written = 0;
  if (!attached || iface_.writeFails) return false;
  written = toWrite;
  const bool command = toWrite >= 2 && buffer[1] == 3;
  if (iface_.answerAtOnce) {
    if (command)
      for (const TReport& report : iface_.answer) Deliver(report);
    return true;
  }
  this->written.emplace_back(buffer, buffer + toWrite);
  writeTimes.push_back(std::chrono::steady_clock::now());
  if (command) answers_->Queue(iface_.answer);
  if (afterWrite) {
    const std::function<void()> hook = afterWrite;  // it may clear itself
    hook();
  }
  return true;
}

void TFakeHidDevice::SendInputReport(const TReport& report) {
  answers_->Queue({report});
}

void TFakeHidDevice::Deliver(const TReport& report) {
  if (!onInputReport_ || !attached || report.empty()) return;
  onInputReport_(this, report[0], report.data() + 1, static_cast<uint16_t>(report.size() - 1));
}

TFakeHidDeviceController::TFakeHidDeviceController(TComponent* owner)
    : TCustomHidDeviceController(owner) {}

TFakeHidDeviceController::~TFakeHidDeviceController() {
  for (TFakeHidDevice* device : list) {
    device->controller = nullptr;
    if (device->claimed)
      device->attached = false;
    else
      delete device;
  }
}

int TFakeHidDeviceController::Plug(TFakeInterface iface) {
  iface.instance = nextInstance_++;
  plugged_.push_back(iface);
  return iface.instance;
}

void TFakeHidDeviceController::Unplug(int instance) {
  std::erase_if(plugged_, [&](const TFakeInterface& i) { return i.instance == instance; });
}

bool TFakeHidDeviceController::IsPlugged(int instance) const {
  return std::any_of(plugged_.begin(), plugged_.end(),
                     [&](const TFakeInterface& i) { return i.instance == instance; });
}

void TFakeHidDeviceController::DeviceChange() {
  ++passes;
  for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
    TFakeHidDevice* old = list[i];
    if (old->attached && IsPlugged(old->Interface().instance)) continue;
    old->attached = false;
    if (!old->claimed) {
      list.erase(list.begin() + i);
      old->controller = nullptr;
      delete old;
    }
  }
  for (const TFakeInterface& iface : plugged_) {
    bool listed = std::any_of(list.begin(), list.end(), [&](TFakeHidDevice* d) {
      return d->attached && d->Interface().instance == iface.instance;
    });
    if (!listed) list.push_back(new TFakeHidDevice(iface, this));
  }
  if (onDeviceChange_) onDeviceChange_(this);
}

bool TFakeHidDeviceController::ClaimDevice(TCustomHidDevice*& device) {
  for (int i = 0; i < static_cast<int>(list.size()); ++i)
    if (ClaimDeviceAt(i, device)) return true;
  device = nullptr;
  return false;
}

bool TFakeHidDeviceController::ClaimDeviceAt(int index, TCustomHidDevice*& device) {
  device = nullptr;
  if (index < 0 || index >= static_cast<int>(list.size()) || list[index]->claimed) return false;
  list[index]->claimed = true;
  device = list[index];
  return true;
}

void TFakeHidDeviceController::GiveBack(TFakeHidDevice* device) {
  auto it = std::find(list.begin(), list.end(), device);
  if (it == list.end()) return;
  if (!device->attached) {
    list.erase(it);
    return;
  }
  auto* fresh = new TFakeHidDevice(device->Interface(), this);
  fresh->SetOnInputReport(device->OnInputReport());
  *it = fresh;
}
