#include "plan/plan_preview.h"

#include <algorithm>
#include <future>
#include <map>
#include <set>

#include "net/ipv4_text.h"

namespace ravix {

namespace {

// Probes running at once: each waits about a second for an answer that may not come.
constexpr std::size_t kParallelProbes = 64;

std::string CameraMac(const CBrowseRecord& record) {
  std::string mac;
  NormaliseMacAddress(record.GetTxtValueOrEmpty(txtkey::kMacAddress), mac);
  return mac;
}

bool Mentions(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The address the camera ends with ("" with DHCP on).
std::string FinalAddress(const PreviewRow& row) { return row.after.DHCP ? std::string() : row.after.IPAddress; }

bool Moves(const PreviewRow& row) {
  return row.hasPlan && row.ticked && (row.after.DHCP || FinalAddress(row) != CurrentAddress(row.record));
}

PreviewRow MakeRow(const CBrowseRecord& record, const AddressPlan& plan) {
  PreviewRow row;
  row.record = record;
  row.settingsKnown = record.NetworkSettingsValid && record.NetworkSettings.HTTPPort != 0;
  row.before = record.NetworkSettings;
  if (!row.settingsKnown) row.before.IPAddress = CurrentAddress(record);
  for (const PlanRow& candidate : plan.rows) {
    if (!PlanRowMatches(candidate, record)) continue;
    row.hasPlan = true;
    row.plan = candidate;
    break;
  }
  row.after = row.hasPlan ? PlannedSettings(row.before, row.plan) : row.before;
  if (!row.hasPlan) row.ticked = false;
  return row;
}

void FlagSameAddress(std::vector<PreviewRow>& rows) {
  std::map<std::string, std::vector<std::size_t>> byAddress;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].hasPlan || !rows[i].ticked) continue;
    const std::string address = FinalAddress(rows[i]);
    if (!address.empty()) byAddress[address].push_back(i);
  }
  for (const auto& [address, indexes] : byAddress) {
    if (indexes.size() < 2) continue;
    for (std::size_t i : indexes) {
      for (std::size_t j : indexes) {
        if (i != j) rows[i].conflicts.push_back("same address " + address + " as " + rows[j].record.ServiceName);
      }
    }
  }
}

// Probes the addresses in parallel; the indexes of rows whose address answered get the
// conflict.
void ProbeAddresses(std::vector<PreviewRow>& rows, const std::map<std::string, std::vector<std::size_t>>& toProbe,
                    const AddressProbe& probe) {
  std::vector<std::pair<std::string, std::future<std::pair<bool, std::string>>>> pending;
  const auto collect = [&] {
    for (auto& [address, answer] : pending) {
      const auto [inUse, by] = answer.get();
      if (!inUse) continue;
      for (std::size_t i : toProbe.at(address))
        rows[i].conflicts.push_back("address " + address + " is in use on the link" + (by.empty() ? "" : " (" + by + ")"));
    }
    pending.clear();
  };
  for (const auto& [address, indexes] : toProbe) {
    pending.emplace_back(address, std::async(std::launch::async, [&probe, address = address] {
                           std::string by;
                           const bool inUse = probe(address, by);
                           return std::make_pair(inUse, by);
                         }));
    if (pending.size() == kParallelProbes) collect();
  }
  collect();
}

// Addresses given to cameras that do not hold them now: this PC's own, held by a camera
// outside the selection, answering ARP, or held by a selected camera that does not move away (one
// that is not sent keeps its address, which may leave another row in conflict).
void FlagAddressesInUse(std::vector<PreviewRow>& rows, const std::vector<CBrowseRecord>& found,
                        const std::set<uint32_t>& selected, const CNetworkTools& tools, const AddressProbe& probe) {
  std::map<std::string, std::string> heldByOthers;
  for (const CBrowseRecord& record : found) {
    if (selected.count(record.ID) != 0) continue;
    for (const std::string& address : CNetworkTools::CollectCameraAddresses(record))
      if (!address.empty()) heldByOthers.emplace(address, record.ServiceName);
  }
  for (const AdapterEntry& adapter : tools.Adapters()) {
    for (uint32_t slot = 0; slot < adapter.AddressCount; ++slot)
      heldByOthers.emplace(FormatIPv4(adapter.Addresses[slot]), std::string());
  }
  std::map<std::string, std::size_t> heldBySelected;
  for (std::size_t i = 0; i < rows.size(); ++i) heldBySelected.emplace(CurrentAddress(rows[i].record), i);
  std::map<std::string, std::vector<std::size_t>> toProbe;
  std::vector<std::pair<std::size_t, std::size_t>> waiting;  // row, the selected row holding its address
  for (std::size_t i = 0; i < rows.size(); ++i) {
    PreviewRow& row = rows[i];
    const std::string address = FinalAddress(row);
    if (!row.hasPlan || !row.ticked || !row.conflicts.empty() || address.empty() ||
        address == CurrentAddress(row.record))
      continue;
    if (const auto held = heldByOthers.find(address); held != heldByOthers.end())
      row.conflicts.push_back("address " + address + " is in use by " +
                              (held->second.empty() ? "this PC" : "the camera " + held->second));
    else if (const auto holder = heldBySelected.find(address); holder != heldBySelected.end())
      waiting.emplace_back(i, holder->second);
    else
      toProbe[address].push_back(i);
  }
  ProbeAddresses(rows, toProbe, probe);
  // A holder that will not be sent keeps its address; that may block a further row.
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& [i, holder] : waiting) {
      const PreviewRow& keeper = rows[holder];
      const bool leaves = Moves(keeper) && keeper.conflicts.empty();
      const std::string text = "address " + FinalAddress(rows[i]) + " is in use by the camera " + keeper.record.ServiceName;
      if (leaves || Mentions(rows[i].conflicts, text)) continue;
      rows[i].conflicts.push_back(text);
      changed = true;
    }
  }
}

void FlagUnreachable(PreviewRow& row, const CNetworkTools& tools) {
  if (!row.hasPlan || !row.ticked) return;
  const std::string now = CurrentAddress(row.record);
  if (!tools.IsReachable(row.record, now)) return;  // not on a link of this PC now: nothing to lose
  if (!tools.IsReachable(row.record, FinalAddress(row)))
    row.warnings.push_back(row.after.DHCP ? "with DHCP on the camera may no longer be reachable from this PC"
                                          : "at " + row.after.IPAddress + " the camera would no longer be reachable from this PC");
}

}  // namespace

std::string CurrentAddress(const CBrowseRecord& record) {
  std::string address = record.GetTxtValueOrEmpty(txtkey::kIpv4Net);
  return address.empty() ? record.GetTxtValueOrEmpty(txtkey::kIpv4Zc) : address;
}

AddressProbe NeighbourProbe(const CNetworkTools& tools) {
  return [&tools](const std::string& address, std::string& by) {
    uint32_t ifIndex = 0;
    if (!tools.FindOnLinkAdapter(address, ifIndex)) return false;
    std::string camera, local;
    if (!tools.FindCameraAddressOnAdapter(ifIndex, {address}, camera, local)) return false;
    by = CNetworkTools::GetMacAddress(address, local);
    return !by.empty();
  };
}

NetworkSettings PlannedSettings(const NetworkSettings& current, const PlanRow& row) {
  NetworkSettings s = current;
  if (row.hostName) s.HostName = *row.hostName;
  if (row.address) {
    s.IPAddress = *row.address;
    s.DHCP = false;
  }
  if (row.dhcp) s.DHCP = *row.dhcp;
  if (row.prefix) s.NetPrefix = *row.prefix;
  if (row.gateway) s.Gateway = *row.gateway;
  if (row.nameServer) s.NameServer = *row.nameServer;
  return s;
}

bool PlanRowMatches(const PlanRow& row, const CBrowseRecord& record) {
  if (row.cameraId != 0) return row.cameraId == record.ID;
  if (!row.serial.empty()) return row.serial == record.GetTxtValueOrEmpty(txtkey::kSerial);
  return !row.mac.empty() && row.mac == CameraMac(record);
}

PlanPreview BuildPlanPreview(const AddressPlan& plan, const std::vector<CBrowseRecord>& found,
                             const std::vector<uint32_t>& selection, const CNetworkTools& tools,
                             const AddressProbe& probe) {
  PlanPreview preview;
  std::vector<uint32_t> ids = selection;
  if (ids.empty()) {
    for (const CBrowseRecord& record : found) {
      const bool named = std::any_of(plan.rows.begin(), plan.rows.end(),
                                     [&](const PlanRow& row) { return PlanRowMatches(row, record); });
      if (named) ids.push_back(record.ID);
    }
  }
  const std::set<uint32_t> selected(ids.begin(), ids.end());
  std::set<std::size_t> usedRows;
  for (uint32_t id : ids) {
    const auto record = std::find_if(found.begin(), found.end(), [id](const CBrowseRecord& r) { return r.ID == id; });
    if (record == found.end()) continue;
    PreviewRow row = MakeRow(*record, plan);
    // One plan row serves one camera: a camera seen twice (two records) is taken once.
    for (std::size_t i = 0; i < plan.rows.size() && row.hasPlan; ++i) {
      if (!PlanRowMatches(plan.rows[i], *record)) continue;
      if (!usedRows.insert(i).second) {
        row.hasPlan = false;
        row.ticked = false;
        row.after = row.before;
        row.warnings.push_back("its plan row already serves another record of the same camera");
      }
      break;
    }
    preview.rows.push_back(std::move(row));
  }
  for (std::size_t i = 0; i < plan.rows.size(); ++i) {
    const bool matched = std::any_of(found.begin(), found.end(), [&](const CBrowseRecord& record) {
      return selected.count(record.ID) != 0 && PlanRowMatches(plan.rows[i], record);
    });
    if (!matched) preview.unmatchedRows.push_back(plan.rows[i]);
  }
  CheckPlanPreview(preview, found, tools, probe);
  return preview;
}

void CheckPlanPreview(PlanPreview& preview, const std::vector<CBrowseRecord>& found, const CNetworkTools& tools,
                      const AddressProbe& probe) {
  std::set<uint32_t> selected;
  for (PreviewRow& row : preview.rows) {
    selected.insert(row.record.ID);
    row.conflicts.clear();
    std::erase_if(row.warnings, [](const std::string& w) { return w.find("reachable") != std::string::npos; });
  }
  FlagSameAddress(preview.rows);
  FlagAddressesInUse(preview.rows, found, selected, tools, probe);
  for (PreviewRow& row : preview.rows) FlagUnreachable(row, tools);
}

}  // namespace ravix
