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
#include "shell/first_contact_hints.h"
#include "platform/debug_trace.h"
#include "platform/natural_compare.h"
#include "platform/terminal_text.h"
#include "views/record_columns.h"

namespace {

// Completion workers of a listing. The listing is printed once all cameras are complete,
// so a burst of silent cameras may wait in rounds of one HTTP timeout (100 silent
// cameras: four rounds, well inside the discovery time); each worker in a transfer holds
// about 60 kB, its stack included.
constexpr std::size_t kListCompletionWorkers = 32;

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
    // Pending completions are bounded by the camera timeouts; new resolves may add more,
    // and so may the address search (bounded by its deadline).
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (engine.PendingCompletions() == 0 && !engine.SearchingAddresses()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::vector<CBrowseRecord> CollectRecords(CFindermDNS& engine, bool all) {
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  std::vector<CBrowseRecord> records;
  records.reserve(ids.size());
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

void AddReachOptions(const FinderOptions& options, SettingsBlock& settings) {
  const auto add = [](std::vector<std::string>& to, const std::vector<std::string>& from) {
    for (const std::string& item : from)
      if (std::find(to.begin(), to.end(), item) == to.end()) to.push_back(item);
  };
  add(settings.BrowseDomains, options.domains);
  add(settings.DnsServers, options.dnsServers);
  add(settings.Addresses, options.addresses);
}

int RunListCommand(const FinderOptions& options, CFinderCore& core, std::FILE* out, std::FILE* err) {
  AddReachOptions(options, core.Settings);  // for this run; the settings file is left alone
  std::string error, warning;
  if (!core.StartDnssd(error, &warning)) {
    std::fprintf(err, "ravixfinder: %s\n", error.c_str());
    return 1;
  }
  if (!warning.empty()) std::fprintf(err, "ravixfinder: %s\n", warning.c_str());
  core.theNetworkTools.RefreshAdapters();

  QObject receiver;  // stands for the main frame: the notifications are not needed here
  auto target = ravix::EventPostTarget::Make(&receiver);
  RecordCompletionPool::Limits limits = CFindermDNS::DefaultCompletionLimits();
  limits.maxWorkers = kListCompletionWorkers;
  CFindermDNS engine(core.CameraContext(), limits);  // no prompt: only stored credentials are used
  engine.SetNotifyTarget(target);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  engine.BrowseBeyondLink(core.Settings.BrowseDomains, core.Settings.Addresses);
  if (const std::string capped = engine.AddressSearchWarning(); !capped.empty())
    std::fprintf(err, "ravixfinder: warning: %s\n", capped.c_str());
  RunEventsFor(options.seconds * 1000);
  WaitForCompletions(engine);
  if (const std::string warning = engine.NeighbourTableWarning(); !warning.empty())
    std::fprintf(err, "ravixfinder: warning: %s\n", warning.c_str());

  const std::vector<CBrowseRecord> records = CollectRecords(engine, options.all);
  // The engine's records, resolves and workers go before the listing is made, which then
  // reuses their memory.
  engine.Close();
  target->Detach();
  QCoreApplication::removePostedEvents(&receiver);
  const views::AdapterNameLookup adapterName = views::AdapterNamesOf(core.theNetworkTools);
  const std::string text = FormatCameraListing(records, options.format, adapterName,
                                                ravix::IsTerminal(out) ? ListingDestination::Terminal
                                                                       : ListingDestination::File);
  std::fwrite(text.data(), 1, text.size(), out);
  std::fflush(out);
  for (const std::string& hint : FirstContactHints(records, core.theNetworkTools))
    std::fprintf(err, "ravixfinder: %s\n", hint.c_str());
  core.StopDnssd();
  return 0;
}
