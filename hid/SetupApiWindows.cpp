#include "SetupApiWindows.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <initguid.h>  // the property keys' storage, here
#include <devpkey.h>
#include <cfgmgr32.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>  // declares the hid.dll entries without C linkage of its own
}
// clang-format on

#include <cwctype>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace SetupApiWindows {
namespace {

const wchar_t kWindowClass[] = L"SimplescopeHidNotify";
// Ends the window's message loop; posted by the last monitor's close.
constexpr UINT kQuitMessage = WM_APP + 1;

GUID HidClass() {
  GUID guid;
  HidD_GetHidGuid(&guid);
  return guid;
}

// Interface paths come in either case (the notice's name and the set's path differ on
// some systems): compared in lower case.
std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// What the window thread and the monitors' callers share.
std::mutex stateMutex;
std::map<HANDLE, bool> monitors;            // each monitor's event, and whether a notice came
std::map<std::wstring, unsigned> arrivals;  // by interface path in lower case

// The window and its thread: made by the first open monitor, ended with the last. Opening
// and closing happen on the caller's thread (the main thread); the window's procedure runs
// on the window's own, and takes only stateMutex.
std::mutex windowMutex;
std::thread windowThread;
HWND window = nullptr;

void Noticed(bool arrival, const wchar_t* interfacePath) {
  std::lock_guard lock(stateMutex);
  if (arrival && interfacePath) ++arrivals[Lower(interfacePath)];
  for (auto& [event, pending] : monitors) {
    pending = true;
    SetEvent(event);
  }
}

LRESULT CALLBACK NotifyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kQuitMessage) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_DEVICECHANGE &&
      (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
      const auto* iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
      const GUID hid = HidClass();
      if (IsEqualGUID(iface->dbcc_classguid, hid))
        Noticed(wParam == DBT_DEVICEARRIVAL, iface->dbcc_name);
    }
    return TRUE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The window thread: a message-only window that the system tells of HID interfaces coming
// and going. Hands the window (or none, when the system won't register it) to the opener.
void ServeNotices(std::promise<HWND>* ready) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = NotifyProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when a previous thread registered it
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
  HDEVNOTIFY registration = nullptr;
  if (hwnd) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = HidClass();
    registration = RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  if (!registration) {
    if (hwnd) DestroyWindow(hwnd);
    ready->set_value(nullptr);
    return;
  }
  ready->set_value(hwnd);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UnregisterDeviceNotification(registration);
  DestroyWindow(hwnd);
}

bool StartWindow() {
  if (window) return true;
  std::promise<HWND> ready;
  std::future<HWND> made = ready.get_future();
  windowThread = std::thread(ServeNotices, &ready);
  window = made.get();
  if (!window) windowThread.join();
  return window != nullptr;
}

void StopWindow() {
  if (!window) return;
  PostMessageW(window, kQuitMessage, 0, 0);
  windowThread.join();
  window = nullptr;
}

// A text property of a device node, read from what the system keeps (no request goes to
// the device). Empty when the node has none.
std::wstring NodeText(DEVINST node, const DEVPROPKEY& key) {
  // A USB string is at most 126 characters; descriptions are shorter.
  wchar_t text[256] = {};
  ULONG size = sizeof text - sizeof text[0];
  DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
  if (CM_Get_DevNode_PropertyW(node, &key, &type, reinterpret_cast<BYTE*>(text), &size, 0) !=
          CR_SUCCESS ||
      type != DEVPROP_TYPE_STRING)
    return {};
  return text;
}

std::wstring RegistryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[256] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(text),
                                         sizeof text - sizeof text[0], nullptr) ||
      type != REG_SZ)
    return {};
  return text;
}

// The interface's name as the system keeps it, asked of the system and never of the device
// (HidD_GetProductString is a request to the device with no time-out: one that doesn't
// answer, a wedged or sleeping Bluetooth device, would hold up the listing for as long). The
// product name the bus reported when the device arrived is kept on the USB device's node,
// which lies one or two nodes above the HID collection's; a friendly name or the
// description stand in where no bus reported one. (Wine 8 reports no bus name and no
// parent, and describes every HID node as "Wine HID device"; Windows keeps all three. Both
// calls are implemented there, unlike the notification registration of the same library,
// whose stub aborts the program.)
std::string NameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  DEVINST node = device.DevInst;
  for (int level = 0; level < 3; ++level) {
    const std::wstring reported = NodeText(node, DEVPKEY_Device_BusReportedDeviceDesc);
    if (!reported.empty()) return Utf8Of(reported.c_str());
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) break;
    node = parent;
  }
  for (DWORD property : {SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC}) {
    const std::wstring text = RegistryText(set, device, property);
    if (!text.empty()) return Utf8Of(text.c_str());
  }
  return {};
}

}  // namespace

std::string Utf8Of(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(size) - 1);
  return utf8;
}

std::wstring WideOf(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<size_t>(size) - 1);
  return wide;
}

bool EnumerateHid(std::vector<THidInterfaceRecord>& records) {
  records.clear();
  GUID hid = HidClass();
  HDEVINFO set =
      SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return false;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid, index, &iface)) break;
    DWORD required = 0;
    if (SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &required, nullptr) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || required < sizeof(DWORD))
      continue;
    // Aligned for the record's size field; the path text follows it.
    std::vector<DWORD> block((required + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, required, nullptr, &device))
      continue;  // gone since the listing
    wchar_t instanceId[MAX_DEVICE_ID_LEN] = {};
    std::string instance;
    if (SetupDiGetDeviceInstanceIdW(set, &device, instanceId, MAX_DEVICE_ID_LEN, nullptr))
      instance = Utf8Of(instanceId);
    else
      instance.append("devinst:").append(std::to_string(device.DevInst));
    unsigned arrived = 0;
    {
      std::lock_guard lock(stateMutex);
      const auto found = arrivals.find(Lower(detail->DevicePath));
      if (found != arrivals.end()) arrived = found->second;
    }
    instance.append("#").append(std::to_string(arrived));
    const std::string path = Utf8Of(detail->DevicePath);
    records.push_back({instance, path, NameOf(set, device)});
  }
  SetupDiDestroyDeviceInfoList(set);
  return true;
}

TSystemHandle OpenMonitor() {
  std::lock_guard windowLock(windowMutex);
  if (!StartWindow()) return {};
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!event) {
    bool none;
    {
      std::lock_guard lock(stateMutex);
      none = monitors.empty();
    }
    if (none) StopWindow();
    return {};
  }
  std::lock_guard lock(stateMutex);
  monitors[event] = false;
  return TSystemHandle::FromHandle(event);
}

bool DrainMonitor(TSystemHandle monitor) {
  std::lock_guard lock(stateMutex);
  const auto found = monitors.find(monitor.Handle());
  if (found == monitors.end()) return false;
  // Reset before taking the flag: a notice after this sets both again.
  ResetEvent(found->first);
  const bool pending = found->second;
  found->second = false;
  return pending;
}

void CloseMonitor(TSystemHandle monitor) {
  std::lock_guard windowLock(windowMutex);
  bool none;
  {
    std::lock_guard lock(stateMutex);
    const auto found = monitors.find(monitor.Handle());
    if (found == monitors.end()) return;
    CloseHandle(found->first);
    monitors.erase(found);
    none = monitors.empty();
  }
  if (none) StopWindow();
}

int OpenMonitorCount() {
  std::lock_guard lock(stateMutex);
  return static_cast<int>(monitors.size());
}

}  // namespace SetupApiWindows
