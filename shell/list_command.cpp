#include "shell/list_command.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "finder/finder_mdns.h"
#include "platform/debug_trace.h"
#include "platform/natural_compare.h"
#include "views/record_columns.h"

namespace {

// Longest time the listing waits, after the discovery time, for completions still running.
constexpr int kCompletionGraceMs = 15000;

// Lets the engine's events arrive (and be dropped) while discovery runs.
void RunEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void WaitForCompletions(CFindermDNS& engine) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < kCompletionGraceMs) {
    // Pending completions are bounded by the camera timeouts; new resolves may add more.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (engine.PendingCompletions() == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::vector<CBrowseRecord> CollectRecords(CFindermDNS& engine, bool all) {
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  std::vector<CBrowseRecord> records;
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (!engine.GetRecord(id, record)) continue;
    if (!all && !views::IsVendorRecord(record)) continue;
    records.push_back(std::move(record));
  }
  std::stable_sort(records.begin(), records.end(), [](const CBrowseRecord& a, const CBrowseRecord& b) {
    return ravix::NaturalCompare(a.ServiceName, b.ServiceName) < 0;
  });
  return records;
}

}  // namespace

int RunListCommand(const FinderOptions& options, CFinderCore& core, std::FILE* out, std::FILE* err) {
  std::string error;
  if (!core.StartDnssd(error)) {
    std::fprintf(err, "ravixfinder: %s\n", error.c_str());
    return 1;
  }
  core.theNetworkTools.RefreshAdapters();

  QObject receiver;  // stands for the main frame: the notifications are not needed here
  auto target = ravix::EventPostTarget::Make(&receiver);
  CFindermDNS engine(core.CameraContext());  // no prompt: only stored credentials are used
  engine.SetNotifyTarget(target);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  RunEventsFor(options.seconds * 1000);
  WaitForCompletions(engine);
  if (const std::string warning = engine.NeighbourTableWarning(); !warning.empty())
    std::fprintf(err, "ravixfinder: warning: %s\n", warning.c_str());

  const std::vector<CBrowseRecord> records = CollectRecords(engine, options.all);
  const CNetworkTools& tools = core.theNetworkTools;
  const views::AdapterNameLookup adapterName = [&tools](uint32_t index) -> std::optional<std::string> {
    const AdapterEntry* adapter = tools.FindAdapter(index);
    if (adapter == nullptr) return std::nullopt;
    return std::string(adapter->Name);
  };
  const std::string text = FormatCameraListing(records, options.format, adapterName);
  std::fwrite(text.data(), 1, text.size(), out);
  std::fflush(out);

  engine.Close();
  target->Detach();
  QCoreApplication::removePostedEvents(&receiver);
  core.StopDnssd();
  return 0;
}
