// The cost of the HID layer: how long an input report takes from the device file to the
// handler on an idle main thread, and one controller pass over a machine's worth of
// devices. Goals: report latency p99 <= 2 ms; a pass over 20 devices <= 20 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <vector>

#include "FakeHidPlatform.h"
#include "hid/HidDeviceController.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TLatencyProbe {
  void Data(TCustomHidDevice*, uint8_t, const uint8_t*, uint16_t) {
    arrived = Clock::now();
    if (loop) loop->quit();
  }
  Clock::time_point arrived;
  QEventLoop* loop = nullptr;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * values.size()))];
}

void BM_ReportToHandlerOnIdleMainThread(benchmark::State& state) {
  auto platform = std::make_shared<TFakeHidPlatform>();
  TFakeHidPlatform::TInterface board;
  board.descriptor = kBoardDescriptor;
  const std::string path = platform->Plug(board);
  THidDeviceController controller(nullptr, platform);
  controller.DeviceChange();
  TCustomHidDevice* device = nullptr;
  controller.ClaimDevice(device);
  TLatencyProbe probe;
  device->SetOnInputReport(THidDataEvent::Bind<&TLatencyProbe::Data>(&probe));
  const std::vector<uint8_t> block(64, 0x42);
  std::vector<double> latenciesMs;
  for (auto _ : state) {
    QEventLoop loop;  // the main thread sits idle in its event loop
    probe.loop = &loop;
    const auto sent = Clock::now();
    platform->SendReport(path, block);
    loop.exec();
    latenciesMs.push_back(std::chrono::duration<double, std::milli>(probe.arrived - sent).count());
  }
  state.counters["p50_ms"] = Percentile(latenciesMs, 0.50);
  state.counters["p99_ms"] = Percentile(latenciesMs, 0.99);
  delete device;
}
BENCHMARK(BM_ReportToHandlerOnIdleMainThread)->Iterations(2000)->UseRealTime();

void BM_PassOverListedDevices(benchmark::State& state) {
  auto platform = std::make_shared<TFakeHidPlatform>();
  for (int i = 0; i < state.range(0); ++i) {
    TFakeHidPlatform::TInterface device;
    device.descriptor = kBoardDescriptor;
    platform->Plug(device);
  }
  THidDeviceController controller(nullptr, platform);
  controller.DeviceChange();
  for (auto _ : state) controller.DeviceChange();  // opens and identifies every interface
  state.counters["devices"] = static_cast<double>(controller.DeviceList().size());
}
BENCHMARK(BM_PassOverListedDevices)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
