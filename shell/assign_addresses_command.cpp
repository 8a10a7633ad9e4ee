#include "shell/assign_addresses_command.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <mutex>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "finder/finder_mdns.h"
#include "platform/natural_compare.h"
#include "plan/plan_apply.h"
#include "plan/plan_preview.h"
#include "platform/terminal_text.h"
#include "shell/list_command.h"
#include "views/record_columns.h"

namespace {

using ravix::PlanOutcome;
using ravix::PlanRow;
using ravix::PreviewRow;

constexpr std::size_t kParallelCameras = 16;

// Whether standard output is a terminal: camera texts then show their control characters
// as \xNN; to a pipe or file they are written as they are (set once per run).
bool outputIsTerminal = true;

std::string Shown(const std::string& text) { return outputIsTerminal ? ravix::TerminalSafe(text) : text; }
// Longest wait, after the apply, for the changed cameras to be announced at their new
// addresses (a camera restarts its network after Commit).
constexpr int kFoundBackMs = 30000;

void RunEvents(int milliseconds) {
  QCoreApplication::processEvents(QEventLoop::AllEvents, milliseconds);
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::vector<CBrowseRecord> VendorRecords(CFindermDNS& engine) {
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  std::vector<CBrowseRecord> records;
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (engine.GetRecord(id, record) && views::IsVendorRecord(record)) records.push_back(std::move(record));
  }
  std::stable_sort(records.begin(), records.end(), [](const CBrowseRecord& a, const CBrowseRecord& b) {
    return ravix::NaturalCompare(a.ServiceName, b.ServiceName) < 0;
  });
  return records;
}

bool AllRowsFound(const ravix::AddressPlan& plan, const std::vector<CBrowseRecord>& records) {
  return std::all_of(plan.rows.begin(), plan.rows.end(), [&](const PlanRow& row) {
    return std::any_of(records.begin(), records.end(),
                       [&](const CBrowseRecord& record) { return ravix::PlanRowMatches(row, record); });
  });
}

// Discovers until every plan row has its camera and completions are done, or the time
// is up; then lets the running completions end.
std::vector<CBrowseRecord> Discover(CFindermDNS& engine, const ravix::AddressPlan& plan, int seconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < seconds * 1000LL) {
    RunEvents(50);
    if (clock.elapsed() > 500 && engine.PendingCompletions() == 0 && !engine.SearchingAddresses() &&
        AllRowsFound(plan, VendorRecords(engine)))
      break;
  }
  while (engine.PendingCompletions() != 0 && clock.elapsed() < (seconds + 15) * 1000LL) RunEvents(50);
  return VendorRecords(engine);
}

std::string Cell(std::string text, std::size_t width) {
  text = Shown(text);
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::string Changes(const PreviewRow& row) {
  const NetworkSettings& a = row.before;
  const NetworkSettings& b = row.after;
  std::vector<std::string> parts;
  const auto change = [&](const char* name, const std::string& from, const std::string& to) {
    const auto shown = [](const std::string& value) { return value.empty() ? std::string("(none)") : value; };
    if (from != to || !row.settingsKnown)
      parts.push_back(std::string(name) + " " + (row.settingsKnown ? shown(from) : "?") + " -> " + shown(to));
  };
  if (!row.hasPlan) return "";
  change("dhcp", a.DHCP ? "on" : "off", b.DHCP ? "on" : "off");
  if (!b.DHCP) {
    change("address", a.IPAddress, b.IPAddress);
    change("prefix", std::to_string(a.NetPrefix), std::to_string(b.NetPrefix));
    change("gateway", a.Gateway, b.Gateway);
    change("name server", a.NameServer, b.NameServer);
  }
  change("host name", a.HostName, b.HostName);
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text.empty() ? "no change" : text;
}

std::string Notes(const PreviewRow& row) {
  std::string text;
  for (const std::string& conflict : row.conflicts) text += (text.empty() ? "CONFLICT: " : "; ") + conflict;
  for (const std::string& warning : row.warnings) text += (text.empty() ? "" : "; ") + std::string("warning: ") + warning;
  return text;
}

std::size_t NameWidth(const std::vector<PreviewRow>& rows) {
  std::size_t width = 6;
  for (const PreviewRow& row : rows) width = std::max(width, Shown(row.record.ServiceName).size());
  return width;
}

void PrintPreview(const ravix::PlanPreview& preview, std::ostream& out) {
  const std::size_t name = NameWidth(preview.rows);
  out << "Preview\n" << Cell("Camera", name) << "  " << Cell("Serial", 10) << "  Change\n";
  for (const PreviewRow& row : preview.rows) {
    out << Cell(row.record.ServiceName, name) << "  " << Cell(row.record.GetTxtValueOrEmpty(txtkey::kSerial), 10) << "  "
        << Shown(Changes(row)) << "\n";
    if (const std::string notes = Notes(row); !notes.empty()) out << Cell("", name) << "  " << Cell("", 10) << "  " << Shown(notes) << "\n";
  }
  for (const PlanRow& row : preview.unmatchedRows) {
    out << "line " << row.line << ": no camera found with " << (row.serial.empty() ? "MAC address " + row.mac : "serial number " + Shown(row.serial))
        << "\n";
  }
  out.flush();
}

void PrintResults(const std::vector<PreviewRow>& rows, const std::vector<PlanOutcome>& outcomes, std::ostream& out) {
  const std::size_t name = NameWidth(rows);
  out << "\nResults\n" << Cell("Camera", name) << "  " << Cell("Result", 21) << "  Detail\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out << Cell(rows[i].record.ServiceName, name) << "  " << Cell(ravix::PlanResultText(outcomes[i].result), 21) << "  "
        << Shown(outcomes[i].detail) << "\n";
  }
  out.flush();
}

// Whether a camera announced at its planned address is in the list now.
bool FoundBack(const std::vector<CBrowseRecord>& records, const PreviewRow& row, const std::string& address) {
  return std::any_of(records.begin(), records.end(), [&](const CBrowseRecord& record) {
    return ravix::PlanRowMatches(row.plan, record) && ravix::CurrentAddress(record) == address;
  });
}

// Waits until every camera changed to a static address that stays reachable is
// announced there; prints how many were and when.
void WaitFoundBack(CFindermDNS& engine, const std::vector<PreviewRow>& rows, const std::vector<PlanOutcome>& outcomes,
                   const QElapsedTimer& applyClock, std::ostream& out) {
  std::vector<std::size_t> watched;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool moved = outcomes[i].result == ravix::PlanResult::Success && !outcomes[i].written.DHCP &&
                       outcomes[i].written.IPAddress != ravix::CurrentAddress(rows[i].record);
    if (moved && rows[i].warnings.empty()) watched.push_back(i);
  }
  if (watched.empty()) return;
  std::vector<std::size_t> missing = watched;
  QElapsedTimer clock;
  clock.start();
  while (!missing.empty() && clock.elapsed() < kFoundBackMs) {
    RunEvents(50);
    const std::vector<CBrowseRecord> records = VendorRecords(engine);
    std::erase_if(missing, [&](std::size_t i) { return FoundBack(records, rows[i], outcomes[i].written.IPAddress); });
  }
  std::ostringstream seconds;
  seconds << std::fixed << std::setprecision(1) << applyClock.elapsed() / 1000.0;
  out << "\nFound at the planned address: " << watched.size() - missing.size() << " of " << watched.size()
      << " cameras, " << seconds.str() << " s after the apply started\n";
  for (std::size_t i : missing)
    out << "  not seen at " << outcomes[i].written.IPAddress << ": " << Shown(rows[i].record.ServiceName) << "\n";
  out.flush();
}

bool AllGood(const ravix::PlanPreview& preview, const std::vector<PlanOutcome>* outcomes) {
  if (!preview.unmatchedRows.empty() || preview.rows.empty()) return false;
  for (std::size_t i = 0; i < preview.rows.size(); ++i) {
    const PreviewRow& row = preview.rows[i];
    if (!row.hasPlan) continue;  // a second record of a camera whose plan row another serves
    if (outcomes == nullptr && !row.conflicts.empty()) return false;
    if (outcomes != nullptr && !ravix::IsPlanSuccess((*outcomes)[i].result)) return false;
  }
  return true;
}

int Finish(CFindermDNS& engine, const std::shared_ptr<ravix::EventPostTarget>& target, QObject& receiver,
           CFinderCore& core, int code) {
  engine.Close();
  target->Detach();
  QCoreApplication::removePostedEvents(&receiver);
  core.StopDnssd();
  return code;
}

}  // namespace

int RunAssignAddressesCommand(const FinderOptions& options, CFinderCore& core, std::ostream& out, std::ostream& err,
                              bool outIsTerminal) {
  outputIsTerminal = outIsTerminal;
  ravix::AddressPlan plan;
  std::vector<ravix::PlanError> errors;
  if (!ravix::ReadAddressPlan(options.planFile, plan, errors)) {
    for (const ravix::PlanError& error : errors)
      err << "ravixfinder: " << Shown(options.planFile) << ": " << Shown(ravix::FormatPlanError(error)) << "\n";
    err << "ravixfinder: the plan was refused; nothing was sent to any camera\n";
    return kAssignBadPlan;
  }
  AddReachOptions(options, core.Settings);  // for this run, as --list does
  std::string error, warning;
  if (!core.StartDnssd(error, &warning)) {
    err << "ravixfinder: " << error << '\n';
    return kAssignBadPlan;
  }
  if (!warning.empty()) err << "ravixfinder: " << warning << '\n';
  core.theNetworkTools.RefreshAdapters();

  QObject receiver;  // the notifications are not needed: records are read by ID
  auto target = ravix::EventPostTarget::Make(&receiver);
  CFindermDNS engine(core.CameraContext());  // no prompt: only stored credentials are used
  engine.SetNotifyTarget(target);
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  engine.BrowseBeyondLink(core.Settings.BrowseDomains, core.Settings.Addresses);
  const std::vector<CBrowseRecord> found = Discover(engine, plan, options.seconds);

  const ravix::PlanPreview preview =
      ravix::BuildPlanPreview(plan, found, {}, core.theNetworkTools, ravix::NeighbourProbe(core.theNetworkTools));
  PrintPreview(preview, out);
  if (options.dryRun) {
    out << "\nDry run: nothing was sent to any camera.\n";
    out.flush();
    return Finish(engine, target, receiver, core, AllGood(preview, nullptr) ? kAssignAllDone : kAssignSomeFailed);
  }

  std::mutex printing;
  std::size_t finished = 0;
  ravix::PlanApplyOptions apply;
  apply.parallel = kParallelCameras;
  apply.done = [&](std::size_t index, const PlanOutcome& outcome) {
    std::lock_guard<std::mutex> lock(printing);
    out << "[" << ++finished << "/" << preview.rows.size() << "] " << Shown(preview.rows[index].record.ServiceName)
        << ": " << ravix::PlanResultText(outcome.result) << "\n";
    out.flush();
  };
  QElapsedTimer applyClock;
  applyClock.start();
  out << "\n";
  const std::vector<PlanOutcome> outcomes = ravix::ApplyPlan(preview.rows, core.CameraContext(), apply);
  PrintResults(preview.rows, outcomes, out);
  WaitFoundBack(engine, preview.rows, outcomes, applyClock, out);
  return Finish(engine, target, receiver, core, AllGood(preview, &outcomes) ? kAssignAllDone : kAssignSomeFailed);
}
