// Benchmark: the Assign Addresses wizard over 50 simulated cameras (range plan): the
// longest stall of the window's event loop while the preview is checked and while the
// cameras are written, beside its goal, with the machine load. With RAVIX_SCREENSHOT_DIR
// set it also saves the preview page (assign-addresses-preview.png). Run in the lab:
//   sudo tools/netlab/netlab --link 192.168.77.1/24=192.168.77.10/24x50 -- build/tests/gui/lab/assign_wizard_bench
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include <net/if.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "camera/ip_settings_exchange.h"
#include "gui/plan/assign_addresses_wizard.h"
#include "net/network_tools.h"
#include "tests/support/camsim_process.h"

namespace {

constexpr int kCameras = 50;
constexpr double kGoalMs = 50.0;

std::string Load() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The longest gap between two turns of the event loop while done() is false.
double LongestStallMs(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock, since;
  clock.start();
  since.start();
  double longest = 0;
  while (!done() && clock.elapsed() < timeoutMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    longest = std::max(longest, since.nsecsElapsed() / 1e6);
    since.restart();
  }
  return longest;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("NETLAB_ID") == nullptr) {
    std::fprintf(stderr, "run inside tools/netlab with --link 192.168.77.1/24=192.168.77.10/24x%d\n", kCameras);
    return 77;
  }
  QApplication app(argc, argv);
  nlohmann::json cameras = nlohmann::json::array();
  for (int n = 1; n <= kCameras; ++n) cameras.push_back({{"serial", "ZV09" + std::to_string(100 + n)}});
  CamsimProcess::Options options;
  options.camerasJson = nlohmann::json{{"cameras", cameras}}.dump();
  options.readyTimeoutMs = 60000;
  CamsimProcess sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }
  std::vector<CBrowseRecord> records;
  for (const nlohmann::json& device : sim.List()) {
    CBrowseRecord record;
    record.ID = static_cast<uint32_t>(records.size() + 1);
    record.InterfaceIndex = if_nametoindex(std::getenv("NETLAB_PC0_IF"));
    record.ServiceName = device.value("name", "");
    record.Port = 80;
    const std::string address = device.value("address", "");
    record.AddTxtValue(txtkey::kVendor, "Zorvik");
    record.AddTxtValue(txtkey::kIpv4Net, address.c_str());
    record.AddTxtValue(txtkey::kSerial, device["txt"].value("serial.zorvnet", "").c_str());
    records.push_back(record);
  }
  CNetworkTools tools;
  CameraConnectContext context{tools, true, nullptr, nullptr, {}};
  for (CBrowseRecord& record : records) ReadNetworkSettings(context, record);  // as discovery completes them
  CAssignAddressesWizard wizard(records, records, context);
  wizard.show();
  wizard.findChild<QLineEdit*>(QStringLiteral("firstAddress"))->setText(QStringLiteral("192.168.77.150"));
  wizard.findChild<QLineEdit*>(QStringLiteral("hostPattern"))->setText(QStringLiteral("cam-{n}"));
  wizard.next();
  auto* preview = wizard.findChild<QTreeWidget*>(QStringLiteral("assignPreview"));
  const double previewStall =
      LongestStallMs([&] { return preview->topLevelItemCount() == kCameras && wizard.currentPage()->isComplete(); },
                     60000);
  if (const char* dir = std::getenv("RAVIX_SCREENSHOT_DIR")) {
    wizard.resize(900, 560);
    QApplication::processEvents();
    wizard.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/assign-addresses-preview.png"));
  }
  const std::string loadBefore = Load();
  QElapsedTimer applyClock;
  applyClock.start();
  wizard.next();
  auto* results = wizard.findChild<QTreeWidget*>(QStringLiteral("assignResults"));
  const double applyStall = LongestStallMs([&] { return results->topLevelItemCount() == kCameras; }, 120000);
  int good = 0;
  for (const ravix::PlanOutcome& outcome : wizard.outcomes) good += ravix::IsPlanSuccess(outcome.result) ? 1 : 0;
  std::printf("assign_wizard_bench: %d cameras, %d written in %.1f s\n", kCameras, good, applyClock.elapsed() / 1000.0);
  std::printf("  longest GUI-thread stall while the preview is checked: %.1f ms   (goal < %.0f ms)\n", previewStall, kGoalMs);
  std::printf("  longest GUI-thread stall during the apply:             %.1f ms   (goal < %.0f ms)%s\n", applyStall,
              kGoalMs, applyStall < kGoalMs ? "" : "   ABOVE GOAL");
  std::printf("  load average before: %s, after: %s\n", loadBefore.c_str(), Load().c_str());
  return 0;
}
