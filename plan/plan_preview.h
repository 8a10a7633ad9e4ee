#pragma once
// The preview of an address plan before anything is sent: one row per selected camera
// with its settings before and after, and every conflict found:
//   blocking (the row is not sent): two cameras given the same address; an address held
//   by another found camera or answering ARP on the link; a host name the camera would
//   not take;
//   advisory: after the change the camera would no longer be reachable from this PC
//   (CNetworkTools::IsReachable, as the IP settings dialog warns).
// Plan rows that match no found camera, and selected cameras without a plan row, are
// listed too.

#include <functional>
#include <string>
#include <vector>

#include "net/network_tools.h"
#include "plan/address_plan.h"
#include "records/browse_record.h"

namespace ravix {

struct PreviewRow {
  CBrowseRecord record;   // copy of the camera as found
  bool hasPlan = false;   // false: selected, but no plan row names it
  PlanRow plan;
  bool settingsKnown = false;  // the camera's settings were read (old values are real)
  NetworkSettings before;
  NetworkSettings after;
  std::vector<std::string> conflicts;  // blocking
  std::vector<std::string> warnings;   // advisory
  bool ticked = true;                  // the user may untick a row; unticked rows are not sent

  bool Changes() const { return hasPlan && (!settingsKnown || !(before == after)); }
  // Whether apply sends this row.
  bool WillSend() const { return ticked && hasPlan && conflicts.empty() && Changes(); }
};

struct PlanPreview {
  std::vector<PreviewRow> rows;       // selected cameras in the order given
  std::vector<PlanRow> unmatchedRows; // plan rows that match no found camera
};

// Whether something answers ARP for address on the link it lies on; by names the
// hardware address that answered. Called from several threads at once.
using AddressProbe = std::function<bool(const std::string& address, std::string& by)>;

// The probe through the kernel's neighbour table on the adapter whose subnet holds the
// address (about one second for an address nobody holds); false for an address on no
// adapter's subnet.
AddressProbe NeighbourProbe(const CNetworkTools& tools);

// The settings a camera gets from a plan row: its own, with every value the row gives;
// an address without a dhcp value means DHCP off.
NetworkSettings PlannedSettings(const NetworkSettings& current, const PlanRow& row);

// Whether row names record: by record ID (range rows), serial number or hardware address.
bool PlanRowMatches(const PlanRow& row, const CBrowseRecord& record);

// found: every camera found (for matching and for addresses held by cameras outside
// the selection); selection: the IDs of the selected cameras in list order, or empty to
// select every camera a plan row matches. Probes run in parallel.
PlanPreview BuildPlanPreview(const AddressPlan& plan, const std::vector<CBrowseRecord>& found,
                             const std::vector<uint32_t>& selection, const CNetworkTools& tools,
                             const AddressProbe& probe);

// Finds the rows' conflicts and advisory warnings anew with their ticks as they are now
// (unticked rows are not sent and keep their addresses). BuildPlanPreview ends with it.
void CheckPlanPreview(PlanPreview& preview, const std::vector<CBrowseRecord>& found, const CNetworkTools& tools,
                      const AddressProbe& probe);

// The address a camera is announced at (its configured one, else its zeroconf one).
std::string CurrentAddress(const CBrowseRecord& record);

}  // namespace ravix
