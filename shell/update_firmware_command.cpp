#include "shell/update_firmware_command.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <ostream>
#include <set>
#include <thread>
#include <vector>

#include "camera/camera_client.h"
#include "finder/finder_mdns.h"
#include "firmware/image_file.h"
#include "firmware/update_batch.h"
#include "platform/terminal_text.h"
#include "shell/list_command.h"
#include "views/record_columns.h"

namespace {

bool Matches(const CBrowseRecord& record, const std::string& name) {
  return record.ServiceName == name || record.GetTxtValueOrEmpty(txtkey::kSerial) == name;
}

// A resolved camera of the maker (or one found at an added address) named name (service
// name or serial).
bool FindCamera(CmDNS& engine, const std::string& name, CBrowseRecord& found) {
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  for (uint32_t id : ids) {
    CBrowseRecord record;
    if (!engine.GetRecord(id, record)) continue;
    if (record.HostTarget.empty() && record.TxtRecord.count(txtkey::kFoundBy) == 0) continue;
    if (!views::IsVendorRecord(record) || !Matches(record, name)) continue;
    found = record;
    return true;
  }
  return false;
}

// Browses until every named camera is resolved or the time is up; the records found.
std::vector<CBrowseRecord> DiscoverCameras(CmDNS& engine, const std::vector<std::string>& names, int seconds,
                                           std::vector<std::string>& missing) {
  QElapsedTimer clock;
  clock.start();
  std::vector<CBrowseRecord> records;
  for (;;) {
    records.clear();
    missing.clear();
    for (const std::string& name : names) {
      CBrowseRecord record;
      if (FindCamera(engine, name, record)) records.push_back(record);
      else missing.push_back(name);
    }
    if (missing.empty() || clock.elapsed() >= seconds * 1000LL) return records;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// Names go into the progress and result lines: on a terminal their control characters
// are shown, not obeyed.
std::vector<FirmwareUpdateTarget> OpenCameras(CFinderCore& core, const std::vector<CBrowseRecord>& records,
                                              bool terminal) {
  std::vector<FirmwareUpdateTarget> targets;
  std::set<uint32_t> seen;
  const CameraConnectContext context = core.CameraContext();  // no prompt: stored credentials only
  for (const CBrowseRecord& record : records) {
    if (!seen.insert(record.ID).second) continue;  // the same camera named twice
    FirmwareUpdateTarget target;
    target.name = terminal ? ravix::TerminalSafe(record.ServiceName) : record.ServiceName;
    int id = 0;
    target.openResult = ConnectCamera(context, record, &id);
    target.handleId = target.openResult == CamOk ? id : 0;
    targets.push_back(target);
  }
  return targets;
}

}  // namespace

int RunUpdateFirmwareCommand(const FinderOptions& options, CFinderCore& core, std::ostream& out, std::ostream& err,
                             bool outIsTerminal) {
  std::vector<unsigned char> image;
  std::string error;
  if (!ReadFirmwareImage(options.firmwareFile, image, error)) {
    err << "ravixfinder: " << error << '\n';
    return kFirmwareCommandBadInput;
  }
  AddReachOptions(options, core.Settings);  // for this run, as --list does
  std::string warning;
  if (!core.StartDnssd(error, &warning)) {
    err << "ravixfinder: " << error << '\n';
    return kFirmwareCommandBadInput;
  }
  if (!warning.empty()) err << "ravixfinder: " << warning << '\n';
  core.theNetworkTools.RefreshAdapters();
  // No notification target: records are only looked up, never completed.
  CFindermDNS engine(core.CameraContext());
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  engine.BrowseBeyondLink(core.Settings.BrowseDomains, core.Settings.Addresses);
  if (const std::string capped = engine.AddressSearchWarning(); !capped.empty())
    err << "ravixfinder: warning: " << capped << '\n';
  std::vector<std::string> missing;
  const std::vector<CBrowseRecord> records = DiscoverCameras(engine, options.cameras, options.seconds, missing);
  engine.Close();
  if (!missing.empty()) {
    for (const std::string& name : missing)
      err << "ravixfinder: camera '" << name << "' was not found (service name or serial number)\n";
    err << "ravixfinder: nothing was sent to any camera\n";
    core.StopDnssd();
    return kFirmwareCommandBadInput;
  }
  const int code = UpdateFirmwareOnCameras(image, OpenCameras(core, records, outIsTerminal), out);
  core.StopDnssd();
  return code;
}
