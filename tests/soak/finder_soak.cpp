// finder_soak: the finder's engine against a few hundred misbehaving simulated cameras for
// minutes. Two camera links with one simulator each; the embedded responder and
// CFindermDNS with completion run in the pc namespace, with a requery every few seconds,
// Close/browse cycles (Refresh) now and then and one firmware update of a few cameras,
// while SoakDriver adds, removes and changes cameras, switches faults and takes links
// down. At the end, with faults cleared and links up, after a last Refresh, every camera
// must be listed with the simulator's values and every removed one gone; threads and
// descriptors must be back at their start counts and resident memory flat. The finder's
// real main window (offscreen) follows the engine all along, switched between the tree and
// the list now and then; at the end each view must show exactly the engine's records.
// Run in the lab:
//   sudo tools/netlab/netlab --link 10.61.0.1/16=10.61.1.1/16x170 --link 10.62.0.1/16=10.62.1.1/16x170
//     -- build/tests/soak/finder_soak [--seconds N] [--seed S] [--cameras N] [--trace]
// (one line; --trace prints every operation of the driver).
// Exit code 0 when every check passed.
#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "finder/finder_core.h"
#include "finder/finder_mdns.h"
#include "firmware/update_batch.h"
#include "gui/app/app_state.h"
#include "gui/app/main_frame.h"
#include "gui/app/ravix_finder_doc.h"
#include "gui/models/camera_store.h"
#include "gui/widgets/cameras_list_view.h"
#include "gui/widgets/cameras_view.h"
#include "net/network_tools.h"
#include "platform/natural_compare.h"
#include "platform/posted_event.h"
#include "platform/registered_message.h"
#include "records/record_event.h"
#include "soak_driver.h"
#include "views/record_columns.h"

using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
constexpr std::size_t kSanitizerThreads = 1;  // ThreadSanitizer's own background thread, started late
#elif defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

#if !defined(__SANITIZE_THREAD__)
constexpr std::size_t kSanitizerThreads = 0;
#endif

constexpr const char* kNewFirmware = "9.1.0";
constexpr int kSettleSeconds = 120;

struct SoakOptions {
  uint32_t seed = 0;
  int seconds = 120;
  int camerasPerLink = 150;
  bool trace = false;
};

bool ParseOptions(int argc, char** argv, SoakOptions& options) {
  options.seed = std::random_device{}();
  if (argc > 1 && std::string(argv[argc - 1]) == "--trace") {
    options.trace = true;
    --argc;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const long value = std::strtol(argv[i + 1], nullptr, 10);
    if (name == "--seed") options.seed = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    else if (name == "--seconds" && value > 0) options.seconds = static_cast<int>(value);
    else if (name == "--cameras" && value > 0 && value <= 500) options.camerasPerLink = static_cast<int>(value);
    else return false;
  }
  return argc % 2 == 1;
}

std::size_t CountEntries(const char* folder) {
  std::size_t count = 0;
  if (DIR* dir = opendir(folder)) {
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
  }
  return count;
}
std::size_t ThreadCount() { return CountEntries("/proc/self/task"); }

// The names of the process's threads, for the summary.
std::string ThreadNames() {
  std::string names;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
      std::string name;
      std::getline(comm, name);
      names += (names.empty() ? "" : ", ") + name;
    }
    closedir(dir);
  }
  return names;
}
std::size_t DescriptorCount() { return CountEntries("/proc/self/fd") - 1; }  // less the one opendir holds

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Counts the notifications and passes them on to the window (its camera store and frame).
class SoakReceiver : public QObject {
 public:
  explicit SoakReceiver(CMainFrame*& frame) : frame_(frame) {}
  bool event(QEvent* e) override {
    const auto* record = ravix::PostedEvent<RecordEvent>::From(e, recordType_);
    if (record != nullptr) {
      ++(record->Value().Operation == RecordOperation::Remove ? removes : updates);
      seen.insert(record->Value().RecordID);
      if (frame_ != nullptr) frame_->Store().Apply(record->Value());
      return true;
    }
    if (const auto* running = ravix::PostedEvent<bool>::From(e, runningType_)) {
      ++runningChanges;
      if (frame_ != nullptr) frame_->OnQueriesRunningChanged(running->Value());
      return true;
    }
    return QObject::event(e);
  }
  long updates = 0;
  long removes = 0;
  long runningChanges = 0;
  std::set<uint32_t> seen;

 private:
  CMainFrame*& frame_;
  QEvent::Type recordType_ = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
  QEvent::Type runningType_ = ravix::RegisterMessageType(ravix::kQueriesRunningMessageName);
};

// The cameras of one link: unique serials per link, every 5th with a login, every 4th a
// Dome, every 3rd without an advertised MAC address.
json LinkDescription(std::size_t link, int count) {
  json cameras = json::array();
  for (int i = 0; i < count; ++i) {
    json camera = {{"serial", "ZS" + std::to_string(link) + std::to_string(1000 + i)}, {"fwversion", "3.2.1"}};
    if (i % 5 == 4) camera["login"] = {{"username", "admin"}, {"password", "zorvik"}};
    if (i % 4 == 3) camera["model"] = "Ravix-D210";
    if (i % 3 == 2) camera["txt"] = {{"macaddress.zorvnet", nullptr}};
    cameras.push_back(camera);
  }
  return {{"cameras", cameras}};
}

std::string Env(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

bool StartLinks(const SoakOptions& options, std::vector<SoakLink>& links, std::string& error) {
  const int count = std::atoi(Env("NETLAB_LINKS").c_str());
  for (int i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    SoakLink link;
    link.cameraNamespaceName = "cam" + index;
    link.cameraInterface = Env("NETLAB_CAM" + index + "_IF");
    std::istringstream addresses(Env("NETLAB_CAM" + index + "_ADDRS"));
    link.addressCount = std::distance(std::istream_iterator<std::string>(addresses), std::istream_iterator<std::string>());
    CamsimProcess::Options simOptions;
    simOptions.cameraNamespace = Env("NETLAB_CAM" + index);
    simOptions.camerasJson = LinkDescription(i, std::min<int>(options.camerasPerLink, static_cast<int>(link.addressCount))).dump();
    simOptions.readyTimeoutMs = 120000;
    link.sim = std::make_unique<CamsimProcess>(simOptions);
    if (!link.sim->Start(&error)) return false;
    links.push_back(std::move(link));
  }
  if (links.size() < 2) error = "the lab needs two camera links (see the header of finder_soak.cpp)";
  return links.size() >= 2;
}

void RunEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool AllListed(CFindermDNS& engine, const std::vector<std::string>& names) {
  std::set<std::string> resolved;
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (engine.GetRecord(id, record) && !record.HostTarget.empty()) resolved.insert(record.ServiceName);
  }
  return std::all_of(names.begin(), names.end(), [&](const std::string& name) { return resolved.count(name) != 0; });
}

// The firmware update of a few cameras as the command line does it: open with stored
// credentials, then one worker per camera. The last camera refuses the image.
struct FirmwareRun {
  std::vector<std::string> hosts;   // updated ones first, the refusing one last
  std::vector<std::string> names;
  std::string table;
  int exitCode = -1;
  bool done = false;
};

void RunFirmwareUpdate(CFinderCore& core, CFindermDNS& engine, std::vector<SoakLink>& links, FirmwareRun& run) {
  std::vector<unsigned char> image;
  const std::string bytes = CamsimProcess::FirmwareImage(300000, kNewFirmware);
  image.assign(bytes.begin(), bytes.end());
  links[1].sim->SetFaults(run.hosts.back(), {{"firmware_refused", true}});
  // A camera of a link that was down a moment ago may still be on its way back.
  QElapsedTimer wait;
  wait.start();
  while (!AllListed(engine, run.names) && wait.elapsed() < 20000) RunEventsFor(200);
  std::vector<FirmwareUpdateTarget> targets;
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  for (const std::string& name : run.names) {
    FirmwareUpdateTarget target;
    target.name = name;
    target.openResult = CamHostNotFound;
    for (uint32_t id : ids) {
      CBrowseRecord record;
      if (!engine.GetRecord(id, record) || record.ServiceName != name || record.HostTarget.empty()) continue;
      int handle = 0;
      target.openResult = ConnectCamera(core.CameraContext(), record, &handle);
      target.handleId = target.openResult == CamOk ? handle : 0;
      break;
    }
    targets.push_back(target);
  }
  std::ostringstream out;
  run.exitCode = UpdateFirmwareOnCameras(image, targets, out);  // runs the event loop meanwhile
  run.table = out.str();
  links[1].sim->SetFaults(run.hosts.back(), json::object());
  run.done = true;
}

// The values one camera must show at the end, as the simulator holds them.
struct Expected {
  json device;
  std::string ipAddress, hostName, httpPort;
};

std::map<std::string, Expected> ExpectedCameras(std::vector<SoakLink>& links) {
  std::map<std::string, Expected> expected;
  for (SoakLink& link : links) {
    for (const json& device : link.sim->List()) {
      if (!device.value("camera", false)) continue;
      const std::string host = device["host"];
      Expected& e = expected[device["name"].get<std::string>()];
      e.device = device;
      e.ipAddress = link.sim->GetParameter(host, "Network.IPAddress").value_or("?");
      e.hostName = link.sim->GetParameter(host, "Network.HostName").value_or("?");
      e.httpPort = link.sim->GetParameter(host, "Network.HTTPPort").value_or("?");
    }
  }
  return expected;
}

std::vector<std::string> CompareCamera(CFinderCore& core, const CBrowseRecord& record, const Expected& e) {
  std::vector<std::string> problems;
  const std::string name = record.ServiceName;
  for (const auto& [key, value] : e.device["txt"].items()) {
    if (record.GetTxtValueOrEmpty(key.c_str()) != value.get<std::string>())
      problems.push_back(name + ": TXT " + key + " '" + record.GetTxtValueOrEmpty(key.c_str()) + "', simulator '" +
                         value.get<std::string>() + "'");
  }
  if (record.HostTarget != e.device["host"].get<std::string>() + ".local")
    problems.push_back(name + ": host " + record.HostTarget);
  if (record.Port != e.device["port"].get<uint32_t>()) problems.push_back(name + ": port " + std::to_string(record.Port));
  std::string address, local;
  if (!core.theNetworkTools.ResolveCameraAddress(record, address, local) || address != e.device["address"])
    problems.push_back(name + ": address '" + address + "', simulator " + e.device["address"].get<std::string>());
  const NetworkSettings& s = record.NetworkSettings;
  if (!record.NetworkSettingsValid) problems.push_back(name + ": network settings not read");
  else if (s.IPAddress != e.ipAddress || s.HostName != e.hostName || std::to_string(s.HTTPPort) != e.httpPort)
    problems.push_back(name + ": network settings " + s.IPAddress + " " + s.HostName + " " + std::to_string(s.HTTPPort));
  return problems;
}

// Every camera listed with the simulator's values, no removed or unknown camera listed.
std::vector<std::string> CheckListing(CFinderCore& core, CFindermDNS& engine, const std::map<std::string, Expected>& expected,
                                      const std::set<std::string>& removed) {
  std::vector<std::string> problems;
  std::map<std::string, int> listed;
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (!engine.GetRecord(id, record) || record.GetTxtValueOrEmpty(txtkey::kVendor).empty()) continue;
    const std::string& name = record.ServiceName;
    if (++listed[name] > 1) problems.push_back(name + ": listed twice");
    const auto found = expected.find(name);
    if (found == expected.end()) {
      problems.push_back(name + (removed.count(name) ? ": removed but still listed" : ": unknown camera listed"));
      continue;
    }
    for (std::string& problem : CompareCamera(core, record, found->second)) problems.push_back(std::move(problem));
  }
  for (const auto& entry : expected) {
    if (listed.count(entry.first) == 0) problems.push_back(entry.first + ": not listed");
  }
  return problems;
}

// As the window's Refresh: close, new adapter table, views cleared, wake the responder,
// wait, browse.
void Refresh(CFinderCore& core, CRavixFinderDoc& doc, int& cycles, bool trace) {
  if (trace) std::printf("refresh\n");
  CFindermDNS& engine = doc.Finder();
  engine.Close();
  core.theNetworkTools.RefreshAdapters();
  doc.Store().Clear();
  core.ServiceHost.RequeryResponder();
  RunEventsFor(500);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  ++cycles;
}

// --- the window's views against the engine ---------------------------------------------

// The records a view must show: the engine's, less those the ZorvikOnly rule keeps out.
std::map<uint32_t, CBrowseRecord> ShownRecords(CFindermDNS& engine, const SettingsBlock& settings) {
  std::map<uint32_t, CBrowseRecord> shown;
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (engine.GetRecord(id, record) && (!settings.ZorvikOnly || views::IsVendorRecord(record))) shown.emplace(id, record);
  }
  return shown;
}

views::AdapterNameLookup AdapterNames(const CNetworkTools& tools) {
  return [&tools](uint32_t ifIndex) -> std::optional<std::string> {
    const AdapterEntry* adapter = tools.FindAdapter(ifIndex);
    if (adapter == nullptr) return std::nullopt;
    return std::string(adapter->Name);
  };
}

std::string Label(const CBrowseRecord& record) { return record.ServiceName + " (" + std::to_string(record.ID) + ")"; }

// One row per shown record, every cell as the engine's record gives it, rows in the order
// of the sort keys.
std::vector<std::string> CheckList(CCamerasListView& view, const std::map<uint32_t, CBrowseRecord>& shown,
                                   const views::AdapterNameLookup& adapterName) {
  std::vector<std::string> problems;
  CameraListModel& model = view.Model();
  std::set<uint32_t> rows;
  for (int row = 0; row < model.rowCount(); ++row) {
    const uint32_t id = model.RecordIdAt(row);
    if (!rows.insert(id).second) problems.push_back("list: two rows for record " + std::to_string(id));
    const auto found = shown.find(id);
    if (found == shown.end()) {
      problems.push_back("list: a row for record " + std::to_string(id) + " that the engine does not hold");
      continue;
    }
    for (int c = 0; c < views::kColumnCount; ++c) {
      const auto column = static_cast<views::Column>(c);
      const std::string cell = model.CellText(row, column).toStdString();
      const std::string engine = views::CellText(column, found->second, adapterName);
      if (cell != engine) {
        const std::string title = views::ColumnTable[static_cast<std::size_t>(c)].Title;
        problems.push_back("list: " + Label(found->second) + " " + title + " '" + cell + "', engine '" + engine + "'");
      }
    }
    const ravix::SortKeys& keys = model.SortKeys();
    if (row > 0 && ravix::CompareRecords(keys, model.RecordAt(row - 1), model.RecordAt(row), adapterName) > 0)
      problems.push_back("list: row " + std::to_string(row) + " out of sort order");
  }
  for (const auto& [id, record] : shown) {
    if (rows.count(id) == 0) problems.push_back("list: no row for " + Label(record));
  }
  return problems;
}

// The root, one node per adapter, one node per shown record under its adapter (the root
// when the adapter is unknown) with its name and image, siblings in natural order.
std::vector<std::string> CheckTree(CCamerasView& view, const std::map<uint32_t, CBrowseRecord>& shown,
                                   const CNetworkTools& tools) {
  std::vector<std::string> problems;
  CameraTreeModel& model = view.Model();
  const QModelIndex root = model.FindNodeByTag(NodeTag::RootTag());
  if (!root.isValid() || model.rowCount() != 1) return {"tree: not one root"};
  for (const AdapterEntry& adapter : tools.Adapters()) {
    if (model.parent(model.FindNodeByTag(NodeTag::AdapterTag(adapter.IfIndex))) != root)
      problems.push_back(std::string("tree: no node for adapter ") + adapter.Name);
  }
  std::set<uint32_t> nodes;
  std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
      const QModelIndex node = model.index(row, 0, parent);
      if (row > 0 && ravix::NaturalCompare(model.TextOf(model.index(row - 1, 0, parent)).toStdString(),
                                           model.TextOf(node).toStdString()) > 0)
        problems.push_back("tree: " + model.TextOf(node).toStdString() + " out of natural order");
      walk(node);
      const NodeTag tag = model.TagOf(node);
      if (tag.Kind != NodeKind::Camera) continue;
      if (!nodes.insert(tag.Value).second)
        problems.push_back("tree: two nodes for record " + std::to_string(tag.Value));
      const auto found = shown.find(tag.Value);
      if (found == shown.end()) {
        problems.push_back("tree: a node for record " + std::to_string(tag.Value) + " that the engine does not hold");
        continue;
      }
      const CBrowseRecord& record = found->second;
      if (model.TextOf(node).toStdString() != record.ServiceName || model.ImageOf(node) != views::RecordImage(record))
        problems.push_back("tree: " + Label(record) + " shown as '" + model.TextOf(node).toStdString() + "' image " +
                           std::to_string(model.ImageOf(node)));
      const bool known = tools.FindAdapter(record.InterfaceIndex) != nullptr;
      const NodeTag expectedParent = known ? NodeTag::AdapterTag(record.InterfaceIndex) : NodeTag::RootTag();
      if (model.TagOf(parent) != expectedParent) problems.push_back("tree: " + Label(record) + " under the wrong node");
    }
  };
  walk(QModelIndex());
  for (const auto& [id, record] : shown) {
    if (nodes.count(id) == 0) problems.push_back("tree: no node for " + Label(record));
  }
  return problems;
}

// The active view of the frame against the engine's records.
std::vector<std::string> CheckView(CMainFrame& frame, CFinderCore& core, CFindermDNS& engine) {
  const std::map<uint32_t, CBrowseRecord> shown = ShownRecords(engine, core.Settings);
  if (auto* list = dynamic_cast<CCamerasListView*>(frame.ActiveView()))
    return CheckList(*list, shown, AdapterNames(core.theNetworkTools));
  if (auto* tree = dynamic_cast<CCamerasView*>(frame.ActiveView()))
    return CheckTree(*tree, shown, core.theNetworkTools);
  return {"window: no camera view"};
}

const char* ViewName(CMainFrame& frame) {
  return dynamic_cast<CCamerasListView*>(frame.ActiveView()) != nullptr ? "list view" : "tree view";
}

// CheckView until it finds nothing or seconds have passed (a record the engine has just
// changed reaches the view with its notification a moment later).
std::vector<std::string> SettledView(CMainFrame& frame, CFinderCore& core, CFindermDNS& engine, int seconds) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    RunEventsFor(1000);
    std::vector<std::string> problems = CheckView(frame, core, engine);
    if (problems.empty() || clock.elapsed() > seconds * 1000) return problems;
  }
}

// Qt's model checker on the active view's model, for the view's life: a model that tells
// its views something inconsistent ends the soak at once.
void WatchModel(CMainFrame& frame) {
  auto* view = qobject_cast<QAbstractItemView*>(frame.ActiveView() != nullptr ? frame.ActiveView()->Widget() : nullptr);
  if (view == nullptr || view->model() == nullptr) return;
  new QAbstractItemModelTester(view->model(), QAbstractItemModelTester::FailureReportingMode::Fatal, view);  // view owns it
}

// Switches the frame to the other view as the View menu does; a new list sorts by name.
void SwitchView(CMainFrame& frame, int& switches, bool trace) {
  const bool toList = dynamic_cast<CCamerasListView*>(frame.ActiveView()) == nullptr;
  if (trace) std::printf("view %s\n", toList ? "list" : "tree");
  const QString name = toList ? QStringLiteral("actionViewList") : QStringLiteral("actionViewTree");
  auto* action = frame.findChild<QAction*>(name);
  if (action != nullptr) action->trigger();
  auto* list = dynamic_cast<CCamerasListView*>(frame.ActiveView());
  if (list != nullptr && list->Model().SortKeys()[0] == kEmptySortKey) list->OnColumnClick(views::Index(views::Column::Name));
  WatchModel(frame);
  ++switches;
}

// Resident memory flat across the second half: the last sample against the lowest one of
// the second half, with a margin of 25 % and at least 24 MB.
bool MemoryFlat(const std::vector<long>& samples, long& growthKb) {
  growthKb = 0;
  if (samples.size() < 4) return true;
  const auto half = samples.begin() + static_cast<long>(samples.size() / 2);
  const long low = *std::min_element(half, samples.end());
  growthKb = samples.back() - low;
  return growthKb <= std::max(24L * 1024, low / 4);
}

template <class Map>
std::string Join(const Map& counts) {
  std::string text;
  for (const auto& [kind, count] : counts) text += (text.empty() ? "" : ", ") + kind + " " + std::to_string(count);
  return text.empty() ? "none" : text;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  SoakOptions options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: finder_soak [--seconds N] [--seed S] [--cameras N] [--trace]\n");
    return 2;
  }
  if (Env("NETLAB_ID").empty()) {
    std::fprintf(stderr, "run me inside tools/netlab (see the header of finder_soak.cpp)\n");
    return 2;
  }
  std::printf("finder_soak: seed %u, %d s, %d cameras per link%s\n", options.seed, options.seconds,
              options.camerasPerLink, kSanitized ? " (sanitizer build)" : "");
  char dirPattern[] = "/tmp/finder-soak-XXXXXX";
  if (mkdtemp(dirPattern) == nullptr) return 1;
  const std::string dir = dirPattern;

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<SoakLink> links;
  std::string error;
  if (!StartLinks(options, links, error)) {
    std::fprintf(stderr, "simulators: %s\n", error.c_str());
    return 1;
  }
  // Two plain cameras of link 0 get the new firmware, one of link 1 refuses it.
  FirmwareRun firmware;
  for (std::size_t link : {0, 0, 1}) {
    const json devices = links[link].sim->List();
    const json& device = devices[link == 0 ? firmware.hosts.size() : 0];
    firmware.hosts.push_back(device["host"]);
    firmware.names.push_back(device["name"]);
  }
  SoakDriver driver(links, options.seed, options.trace);
  if (!driver.Load({firmware.hosts.begin(), firmware.hosts.end()}, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  int result = 0;
  const std::size_t threadsAtStart = ThreadCount();
  const std::size_t fdsAtStart = DescriptorCount();
  int refreshes = 0;
  int switches = 0;
  long prompts = 0;
  std::vector<long> rss;
  CMainFrame* window = nullptr;
  SoakReceiver receiver(window);
  {
    CFinderCore core(ravix::AppProfile(QString::fromStdString(dir + "/profile.ini")));
    if (!core.StartDnssd(error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    // The user at the password prompt knows the cameras' login and gives up when the
    // camera refuses it.
    core.PromptService.InstallHandler([&prompts](PasswordPromptData& data, ravix::GuiRequestCall&) {
      ++prompts;
      if (!data.LoginFailedMessage.empty()) return static_cast<int>(PromptResult::Cancel);
      data.UserName = "admin";
      data.Password = "zorvik";
      return static_cast<int>(PromptResult::Ok);
    });
    core.theNetworkTools.RefreshAdapters();
    auto target = ravix::EventPostTarget::Make(&receiver);
    // The finder's document (which owns the engine) and its main window with the views.
    ravix::AppState state([&core] { core.ServiceHost.RequeryResponder(); });
    CRavixFinderDoc doc(core, state, std::make_unique<CFindermDNS>(core.CameraContext(), &core.PromptService));
    CFindermDNS& engine = doc.Finder();
    CMainFrame::Options frameOptions;
    frameOptions.powerEvents = false;
    CMainFrame frame(core, state, doc, frameOptions);
    frame.show();
    WatchModel(frame);
    window = &frame;
    engine.SetNotifyTarget(target);
    engine.BrowseOneDomain(0, "_http._tcp", "local.");

    std::mt19937 timing(options.seed ^ 0x5eedu);
    QTimer requery;
    QObject::connect(&requery, &QTimer::timeout, [&core] { core.ServiceHost.RequeryResponder(); });
    requery.start(4000);
    QTimer refresh;
    refresh.setSingleShot(true);
    QObject::connect(&refresh, &QTimer::timeout, [&] {
      Refresh(core, doc, refreshes, options.trace);
      refresh.start(std::uniform_int_distribution<int>(10000, 30000)(timing));
    });
    refresh.start(15000);
    QTimer viewSwitch;
    viewSwitch.setSingleShot(true);
    QObject::connect(&viewSwitch, &QTimer::timeout, [&] {
      SwitchView(frame, switches, options.trace);
      viewSwitch.start(std::uniform_int_distribution<int>(5000, 15000)(timing));
    });
    viewSwitch.start(7000);
    QTimer memory;
    QObject::connect(&memory, &QTimer::timeout, [&rss] { rss.push_back(ResidentKb()); });
    memory.start(5000);

    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(options.seconds);
    driver.Start(end);
    const auto firmwareAt = start + std::chrono::seconds(options.seconds / 3);
    while (Clock::now() < end) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (firmware.done || Clock::now() < firmwareAt) continue;
      driver.HoldLinks(true);
      if (!driver.LinksUp()) continue;
      RunFirmwareUpdate(core, engine, links, firmware);
      driver.HoldLinks(false);
    }
    requery.stop();
    refresh.stop();
    viewSwitch.stop();
    memory.stop();
    std::printf("run over after %.0f s; clearing faults, links up, last Refresh\n",
                std::chrono::duration<double>(Clock::now() - start).count());
    driver.StopAndHeal();
    RunEventsFor(3000);
    // The view that followed the run (removals included) against the engine, then the other
    // one from the last Refresh on.
    std::vector<std::string> viewProblems = SettledView(frame, core, engine, kSettleSeconds / 4);
    std::printf("%s after the run: %zu problems\n", ViewName(frame), viewProblems.size());
    SwitchView(frame, switches, options.trace);
    Refresh(core, doc, refreshes, options.trace);

    const std::map<std::string, Expected> expected = ExpectedCameras(links);
    std::vector<std::string> problems;
    QElapsedTimer settle;
    settle.start();
    for (;;) {
      RunEventsFor(2000);
      problems = CheckListing(core, engine, expected, driver.RemovedNames());
      for (std::string& problem : CheckView(frame, core, engine)) problems.push_back(std::move(problem));
      if (problems.empty() || settle.elapsed() > kSettleSeconds * 1000) break;
    }
    std::printf("%s after the last Refresh: checked with the listing\n", ViewName(frame));
    // The first view again, filled anew from the engine.
    SwitchView(frame, switches, options.trace);
    std::vector<std::string> refilled = SettledView(frame, core, engine, 30);
    std::printf("%s filled anew: %zu problems\n", ViewName(frame), refilled.size());
    problems.insert(problems.begin(), viewProblems.begin(), viewProblems.end());
    problems.insert(problems.end(), refilled.begin(), refilled.end());
    std::printf("listing after %.0f s of settling: %zu cameras expected, %zu problems\n", settle.elapsed() / 1000.0,
                expected.size(), problems.size());
    for (std::size_t i = 0; i < problems.size() && i < 40; ++i) std::printf("  %s\n", problems[i].c_str());
    if (!problems.empty()) result = 1;
    for (std::size_t i = 0; i + 1 < firmware.hosts.size(); ++i) {
      const auto found = expected.find(firmware.names[i]);
      const bool updated = found != expected.end() &&
                           found->second.device["txt"].value("fwversion.zorvnet", "") == std::string(kNewFirmware);
      if (!updated) {
        std::printf("  firmware of %s not %s\n", firmware.names[i].c_str(), kNewFirmware);
        result = 1;
      }
    }
    if (firmware.exitCode != kFirmwareCommandCameraFailed) {  // the refusing camera fails the batch
      std::printf("  firmware batch ended with %d\n", firmware.exitCode);
      result = 1;
    }

    engine.Close();
    core.PromptService.RemoveHandler();
    target->Detach();
    QCoreApplication::removePostedEvents(&receiver);
    window = nullptr;
    core.StopDnssd();
  }
  for (const std::string& e : driver.Errors()) std::printf("driver: %s\n", e.c_str());

  // The window's painting hands image work to Qt's global thread pool, whose idle threads
  // live on for half a minute; they are Qt's, not the finder's. Ended, they still take a
  // moment to leave the process.
  QThreadPool::globalInstance()->waitForDone();
  for (int i = 0; i < 200 && ThreadCount() > threadsAtStart + kSanitizerThreads; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const std::size_t threadsAtEnd = ThreadCount();
  const std::size_t fdsAtEnd = DescriptorCount();
  long growthKb = 0;
  const bool flat = MemoryFlat(rss, growthKb);
  std::string samples;
  for (long kb : rss) samples += " " + std::to_string(kb / 1024);
  std::printf("\nsummary (seed %u)\n", options.seed);
  std::printf("  operations: %s\n", Join(driver.Operations()).c_str());
  std::printf("  faults applied: %s\n", Join(driver.FaultsApplied()).c_str());
  std::printf("  records seen: %zu; notifications: %ld updates, %ld removes, %ld running changes; prompts %ld\n",
              receiver.seen.size(), receiver.updates, receiver.removes, receiver.runningChanges, prompts);
  std::printf("  Close/browse cycles: %d; view switches: %d\n", refreshes, switches);
  std::printf("  firmware: exit code %d\n%s", firmware.exitCode, firmware.table.c_str());
  std::printf("  RSS MB every 5 s:%s\n", samples.c_str());
  std::printf("  RSS first %ld MB, last %ld MB, growth over the second half %ld MB%s\n",
              rss.empty() ? 0 : rss.front() / 1024, rss.empty() ? 0 : rss.back() / 1024, growthKb / 1024,
              kSanitized ? " (sanitizer build: printed, not judged)" : "");
  std::printf("  threads: %zu at start, %zu after Close (%s)\n", threadsAtStart, threadsAtEnd, ThreadNames().c_str());
  std::printf("  descriptors: %zu at start, %zu after Close\n", fdsAtStart, fdsAtEnd);
  if (threadsAtEnd > threadsAtStart + kSanitizerThreads || fdsAtEnd > fdsAtStart || !driver.Errors().empty()) result = 1;
  if (!flat && !kSanitized) result = 1;
  for (SoakLink& link : links) link.sim->Stop();
  std::filesystem::remove_all(dir);
  std::printf("finder_soak: %s\n", result == 0 ? "PASS" : "FAIL");
  return result;
}
