#include "HidDevice.h"

#include <cerrno>

#include "hid/ControllerError.h"
#include "hid/HidDeviceController.h"
#include "hid/HidDeviceReadThread.h"

THidDevice::THidDevice(THidPnPInfo* info, THidDeviceController* controller)
    : platform_(controller->Platform()), controller_(controller), info_(info) {
  SetOnInputReport(controller->OnDeviceData());
  onDetach_ = controller->OnDeviceUnplug();
  if (!controller->RestrictsReadWrite()) {
    OpenForReadWriteOrQuery();
    if (!mainHandle_.Valid()) throw EControllerError("device cannot be opened");
    Identify();
    return;
  }
  // Who it is first, from a handle without access rights: only a device the application
  // uses is opened for reading and writing, which here only tells whether it can be.
  mainHandle_ = platform_->Open(info_->InterfacePath, THidAccess::QueryOnly);
  if (!mainHandle_.Valid()) throw EControllerError("device cannot be opened");
  Identify();
  listedOnly_ = !controller->Uses(identity_);
  if (listedOnly_) return;
  OpenForReadWriteOrQuery();
  CloseMainHandle();
}

void THidDevice::Identify() {
  if (!platform_->GetAttributes(mainHandle_, identity_)) {
    CloseMainHandle();
    throw EControllerError("device cannot be identified");
  }
  CloseMainHandle();
}

THidDevice::~THidDevice() {
  const THidDataEvent inputReport = onInputReport_;
  const THidPlugEvent detach = onDetach_;
  SetOnInputReport({});
  onDetach_ = {};
  CloseMainHandle();
  CloseReadHandle();
  preparsedData_.reset();
  if (controller_) controller_->DeviceDestroyed(this, inputReport, detach, readSleepTime_);
}

// ---- Handles ----

void THidDevice::OpenForReadWriteOrQuery() {
  mainHandle_ = platform_->Open(info_->InterfacePath, THidAccess::ReadWrite);
  canReadWrite_ = mainHandle_.Valid();
  if (mainHandle_.Valid()) return;
  // Kept for the advice: what stood in the way tells what the user can do about it.
  openError_ = errno;
  mainHandle_ = platform_->Open(info_->InterfacePath, THidAccess::QueryOnly);
}

bool THidDevice::OpenMainHandle() {
  if (mainHandle_.Valid()) return true;
  if (!Usable()) {
    errno = ENODEV;
    return false;
  }
  if (listedOnly_)
    mainHandle_ = platform_->Open(info_->InterfacePath, THidAccess::QueryOnly);
  else
    OpenForReadWriteOrQuery();
  if (!mainHandle_.Valid()) return false;
  if (inputBufferCount_ != 0) platform_->SetNumInputBuffers(mainHandle_, inputBufferCount_);
  platform_->GetNumInputBuffers(mainHandle_, inputBufferCount_);
  return true;
}

void THidDevice::CloseMainHandle() {
  if (mainHandle_.Valid()) platform_->Close(mainHandle_);
  mainHandle_ = THidHandle{};
  inputBufferCount_ = 0;
}

bool THidDevice::OpenReadHandleLocked() {
  if (!Usable()) {
    errno = ENODEV;
    return false;
  }
  if (listedOnly_) {
    errno = EACCES;
    return false;
  }
  if (readHandle_.Valid()) return true;
  readHandle_ = platform_->Open(info_->InterfacePath, THidAccess::Read);
  if (!readHandle_.Valid()) return false;
  if (readBufferCount_ != 0) platform_->SetNumInputBuffers(readHandle_, readBufferCount_);
  platform_->GetNumInputBuffers(readHandle_, readBufferCount_);
  return true;
}

bool THidDevice::OpenReadHandle(THidHandle& handle) {
  std::lock_guard lock(readMutex_);
  if (!OpenReadHandleLocked()) return false;
  handle = readHandle_;
  readerWaiting_ = true;
  return true;
}

void THidDevice::LeaveReadWait() {
  {
    std::lock_guard lock(readMutex_);
    readerWaiting_ = false;
  }
  readerLeftWait_.notify_all();
}

void THidDevice::CloseReadHandle() {
  std::unique_lock lock(readMutex_);
  if (readerWaiting_ && reader_) {
    reader_->Wake();
    readerLeftWait_.wait(lock, [this] { return !readerWaiting_; });
  }
  if (readHandle_.Valid()) platform_->Close(readHandle_);
  readHandle_ = THidHandle{};
  readBufferCount_ = 0;
}

int THidDevice::ReadBufferCount() const {
  std::lock_guard lock(readMutex_);
  return readBufferCount_;
}

// ---- Counts, capabilities, writing ----

void THidDevice::SetInputBufferCount(int count) {
  // A device known only from queries has no input queue of ours: a handle opened for the
  // count would only be one more held.
  if (listedOnly_ || count == inputBufferCount_ || !OpenMainHandle()) return;
  platform_->SetNumInputBuffers(mainHandle_, count);
  platform_->GetNumInputBuffers(mainHandle_, inputBufferCount_);
}

void THidDevice::SetReadBufferCount(int count) {
  std::lock_guard lock(readMutex_);
  if (count == readBufferCount_ || !OpenReadHandleLocked()) return;
  platform_->SetNumInputBuffers(readHandle_, count);
  platform_->GetNumInputBuffers(readHandle_, readBufferCount_);
}

void THidDevice::SetReadSleepTime(int milliseconds) {
  if (milliseconds < kMinReadSleepTime || milliseconds > kMaxReadSleepTime) return;
  readSleepTime_ = milliseconds;
}

const THidPreparsedData* THidDevice::LoadPreparsedData() {
  if (!preparsedData_ && OpenMainHandle()) {
    auto data = std::make_unique<THidPreparsedData>();
    if (platform_->GetDescriptorInfo(mainHandle_, data->info)) preparsedData_ = std::move(data);
    CloseMainHandle();
  }
  return preparsedData_.get();
}

THidPCaps THidDevice::Capabilities() {
  const THidPreparsedData* data = LoadPreparsedData();
  return data ? CapsFromDescriptorInfo(data->info) : THidPCaps{};
}

bool THidDevice::WriteReport(const uint8_t* buffer, uint32_t toWrite, uint32_t& written) {
  written = 0;
  if (listedOnly_) {
    errno = EACCES;
    return false;
  }
  if (!OpenMainHandle()) return false;
  return platform_->Write(mainHandle_, buffer, toWrite, written);
}

// ---- Reader ----

void THidDevice::SetOnInputReport(THidDataEvent handler) {
  if (!handler) StopReader();
  onInputReport_ = handler;
  StartReader();
}

void THidDevice::StartReader() {
  if (!onInputReport_ || !attached_ || !claimed_ || !canReadWrite_ || reader_) return;
  const THidPCaps caps = Capabilities();
  // No input report (or no descriptor to tell its length): there is nothing to read.
  if (caps.InputReportByteLength == 0) return;
  const bool numbered = preparsedData_ && preparsedData_->info.Numbered;
  {
    // The kernel queues a report only for files open when it arrives: open the read handle
    // now, so an answer to a command written right after this is not lost before the
    // reader gets going. A failure here is the reader's to report.
    std::lock_guard lock(readMutex_);
    OpenReadHandleLocked();
  }
  reader_ =
      std::make_unique<THidDeviceReadThread>(this, platform_, caps.InputReportByteLength, numbered);
  reader_->Start();
}

void THidDevice::StopReader() {
  if (!reader_) return;
  reader_->Terminate();
  reader_->WaitFor();
  reader_.reset();
}

void THidDevice::Detach() {
  // Gone first, so the reader can't open the handle again between closing and now.
  attached_ = false;
  CloseMainHandle();
  CloseReadHandle();
  const THidPlugEvent detach = onDetach_;
  onDetach_ = {};
  if (detach) detach(this);
}
