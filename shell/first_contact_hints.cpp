#include "shell/first_contact_hints.h"

#include <arpa/inet.h>

#include <set>

#include "net/admin_checks.h"
#include "net/ipv4_text.h"
#include "platform/terminal_text.h"
#include "views/record_columns.h"

namespace {

const char* AdapterName(const CNetworkTools& tools, uint32_t ifIndex) {
  if (const AdapterEntry* adapter = tools.FindAdapter(ifIndex); adapter != nullptr) return adapter->Name;
  for (const AdapterEntry& bare : tools.AdaptersWithoutIPv4())
    if (bare.IfIndex == ifIndex) return bare.Name;
  return nullptr;
}

// The first advertised address that is a host address; 0 when none is.
uint32_t CameraAddress(const CBrowseRecord& record, std::string& text) {
  for (const std::string& candidate : CNetworkTools::CollectCameraAddresses(record)) {
    uint32_t address = 0;
    std::string why;
    if (!ravix::ParseIPv4(candidate, address) || ravix::CheckUnicast(address, why) != ravix::AdminRefusal::None)
      continue;
    text = candidate;
    return address;
  }
  return 0;
}

// Any advertised address on a subnet of its own or of another adapter: reached as it is.
bool Reachable(const CBrowseRecord& record, const CNetworkTools& tools) {
  for (const std::string& candidate : CNetworkTools::CollectCameraAddresses(record)) {
    uint32_t onLink = 0;
    if (!candidate.empty() && tools.FindOnLinkAdapter(candidate, onLink)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> FirstContactHints(const std::vector<CBrowseRecord>& records, const CNetworkTools& tools) {
  std::vector<std::string> hints;
  std::set<std::string> given;
  for (const CBrowseRecord& record : records) {
    if (!views::IsVendorRecord(record)) continue;
    std::string cameraText;
    const uint32_t camera = CameraAddress(record, cameraText);
    const char* adapter = AdapterName(tools, record.InterfaceIndex);
    if (camera == 0 || adapter == nullptr || Reachable(record, tools)) continue;
    if (CNetworkTools::RouteInterface(cameraText) != 0) continue;  // routed: reached as it is
    std::string option = std::string("--temporary-address ") + adapter;
    if ((ntohl(camera) >> 16) != 0xA9FE) {
      const auto proposed = ravix::ProposeAddressesNear(camera, 24, 1);
      if (proposed.empty()) continue;
      option += "=" + ravix::FormatAddressWithPrefix(proposed.front());
    }
    if (!given.insert(option).second) continue;
    hints.push_back(ravix::TerminalSafe(record.ServiceName) + " (" + cameraText + ") is in no subnet of adapter " +
                    ravix::TerminalSafe(adapter) + "; " + ravix::TerminalSafe(option) + " would reach it");
  }
  return hints;
}
