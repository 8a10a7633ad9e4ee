// window_memory_bench: the peak resident memory (VmHWM) of the finder's window with N
// cameras (default 2000; goal at 2000: at most 100 MB): the real main frame, document and
// views, offscreen, fed from records put into the real discovery engine in this process
// (discovery of 2000 cameras in the lab does not finish reliably on this machine, and it
// is measured on its own). Each camera arrives as a notification, as from discovery, and
// is then completed once (hardware address, network settings); the window starts in the
// list, fills it, switches to the tree once, and the tree fills itself from the records.
// Prints the peak after each step beside the goal and where the memory lies (libraries,
// heap, malloc arenas, thread stacks).
//   build/tests/gui/window_memory_bench [N]      (offscreen by default; no lab, no root)
#include <QApplication>
#include <QAction>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "finder/finder_core.h"
#include "gui/app/app_state.h"
#include "gui/app/command_id.h"
#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/models/camera_store.h"
#include "platform/app_profile.h"
#include "platform/event_post_target.h"
#include "platform/registered_message.h"
#include "records/record_event.h"
#include "tests/support/memory_map_parts.h"

namespace {

constexpr double kGoalMiB = 100.0;  // at 2000 cameras

// The engine with records put in as discovery and completion leave them.
class FedFinder : public CFindermDNS {
 public:
  explicit FedFinder(CFinderCore& core) : CFindermDNS(core.CameraContext()) {}

  void Add(uint32_t id, uint32_t ifIndex) {
    const std::string number = std::to_string(id);
    CBrowseRecord record;
    record.ID = id;
    record.ServiceName = "Zorvik Camera " + number;
    record.ServiceType = "_http._tcp.";
    record.SetDomain("local.");
    record.SetHostTarget(("ravix-" + number + ".local.").c_str());
    record.InterfaceIndex = ifIndex;
    record.Port = 80;
    record.DiscoveredTime = 1700000000 + id;
    const std::string net = "10." + std::to_string(77 + id / 500) + "." + std::to_string(1 + id % 500 / 250) + "." +
                            std::to_string(id % 250 + 1);
    record.AddTxtValue(txtkey::kVendor, "1");
    record.AddTxtValue(txtkey::kModel, id % 2 ? "Ravix-D210" : "Ravix2-B300");
    record.AddTxtValue(txtkey::kModelId, id % 2 ? "210" : "300");
    record.AddTxtValue(txtkey::kFirmwareVersion, "3.2.7");
    record.AddTxtValue(txtkey::kSerial, ("ZV" + std::to_string(100000 + id)).c_str());
    record.AddTxtValue(txtkey::kIpv4Net, net.c_str());
    record.AddTxtValue(txtkey::kIpv4Zc, ("169.254." + std::to_string(id / 250) + "." + std::to_string(id % 250 + 1)).c_str());
    record.AddTxtValue(txtkey::kPath, "/index.html");
    boost::recursive_mutex::scoped_lock lock(RecordLock);
    Records.push_back(std::move(record));
    byId_.push_back(&Records.back());  // list elements stay where they are
    PublishRecord(Records.back());
  }

  // What the completion adds: the hardware address and the network settings.
  void Complete(uint32_t id) {
    boost::recursive_mutex::scoped_lock lock(RecordLock);
    CBrowseRecord& record = *byId_[id - 1];
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:40:8c:%02x:%02x:%02x", id >> 16 & 0xff, id >> 8 & 0xff, id & 0xff);
    record.AddTxtValue(txtkey::kMacAddress, mac);
    record.NetworkSettings.HostName = "ravix-" + std::to_string(id);
    record.NetworkSettings.IPAddress = record.GetTxtValueOrEmpty(txtkey::kIpv4Net);
    record.NetworkSettings.NetPrefix = 16;
    record.NetworkSettings.Gateway = "10.77.0.1";
    record.NetworkSettings.NameServer = "10.77.0.1";
    record.NetworkSettings.HTTPPort = 80;
    record.NetworkSettingsValid = true;
    PublishRecord(record);
  }

 private:
  std::vector<CBrowseRecord*> byId_;
};

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double StatusMiB(const char* key) {
  const std::string status = ReadFile("/proc/self/status");
  const std::size_t at = status.find(key);
  return at == std::string::npos ? 0 : std::atof(status.c_str() + at + std::strlen(key)) / 1024.0;
}

void ProcessAll() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Peak so far after a step; the memory map is kept whenever the peak grew.
struct Peak {
  double mib = 0;
  std::string smaps;
  void Step(const char* what) {
    // VmHWM follows the resident count with a delay: the higher of the two is the peak.
    const double now = StatusMiB("VmRSS:");
    const double hwm = std::max(StatusMiB("VmHWM:"), now);
    if (hwm > mib) smaps = ReadFile("/proc/self/smaps");
    mib = std::max(mib, hwm);
    std::printf("  %-44s peak %6.1f MB, now %6.1f MB\n", what, mib, now);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  mallopt(M_ARENA_MAX, 2);  // as the program does
  QTemporaryDir home;  // settings and keys of this run only
  setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
  setenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit().constData(), 1);
  QApplication qt(argc, argv);
  const int cameras = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  Peak peak;
  std::printf("window with N=%d cameras, offscreen, records put into the engine in this process\n", cameras);
  peak.Step("application made");

  CFinderCore core(ravix::AppProfile(home.filePath(QStringLiteral("profile.ini"))));
  core.theNetworkTools.RefreshAdapters();
  core.Settings.View = ViewMode::List;
  ravix::AppState state([] {});
  auto owned = std::make_unique<FedFinder>(core);
  FedFinder& finder = *owned;
  CRavixFinderDoc doc(core, state, std::move(owned));
  CMainFrame::Options options;
  options.helpFile = home.filePath(QStringLiteral("none.html"));
  options.powerEvents = false;
  CMainFrame frame(core, state, doc, options);
  frame.resize(1200, 800);
  frame.show();
  ProcessAll();
  peak.Step("window shown, list view, no camera");

  const auto* adapter = core.theNetworkTools.Adapters().empty() ? nullptr : &core.theNetworkTools.Adapters().front();
  const uint32_t ifIndex = adapter != nullptr ? adapter->IfIndex : 1;
  auto target = doc.Store().NotifyTarget();
  const auto changed = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
  for (uint32_t id = 1; id <= static_cast<uint32_t>(cameras); ++id) {
    finder.Add(id, ifIndex);
    target->Post(changed, RecordEvent{RecordOperation::Update, id});
    if (id % 100 == 0) ProcessAll();
  }
  ProcessAll();
  peak.Step("list filled");
  for (uint32_t id = 1; id <= static_cast<uint32_t>(cameras); ++id) {
    finder.Complete(id);
    target->Post(changed, RecordEvent{RecordOperation::Update, id});
    if (id % 100 == 0) ProcessAll();
  }
  ProcessAll();
  peak.Step("list: every camera completed once");
  frame.Commands().Action(ravix::CommandId::ViewTree)->trigger();
  ProcessAll();
  peak.Step("switched to the tree, tree filled");

  std::printf("  peak resident memory %.1f MB (goal at 2000 cameras: at most %.0f MB)%s\n", peak.mib, kGoalMiB,
              cameras != 2000 ? "" : peak.mib <= kGoalMiB ? "  met" : "  NOT met");
  std::printf("  at the peak:\n");
  MemoryMapParts::FromSmaps(peak.smaps).Print(stdout, "    ");
  return 0;
}
