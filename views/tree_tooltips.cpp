#include "views/tree_tooltips.h"

#include <algorithm>

#include "net/ipv4_text.h"
#include "net/network_tools.h"
#include "views/record_columns.h"

namespace views {
namespace {

// The addresses the TXT record of a camera with a contact address names beside that one:
// shown, never contacted.
std::string ClaimedAddresses(const CBrowseRecord& record) {
  if (!record.HasContactAddress()) return {};
  std::string claimed;
  for (const char* key : {txtkey::kIpv4Net, txtkey::kIpv4Zc}) {
    const std::string address = record.GetTxtValueOrEmpty(key);
    if (address.empty() || address == record.ContactAddress) continue;
    claimed += (claimed.empty() ? "" : ", ") + address;
  }
  return claimed;
}

}  // namespace

std::string CameraTooltip(const CBrowseRecord& record) {
  const std::string addresses = JoinCameraAddresses(record, "\n\t\t");
  const auto txt = [&](const char* key) { return record.GetTxtValueOrEmpty(key); };
  std::string tip = record.ServiceName;
  if (const std::string where = FoundWhere(record); !where.empty()) tip += "\nFound:\t\t" + where;
  tip += "\n\nModel:\t\t" + txt(txtkey::kModel);
  tip += "\nFirmware:\t" + txt(txtkey::kFirmwareVersion);
  tip += "\nModel ID:\t" + txt(txtkey::kModelId);
  tip += "\nSerial:\t\t" + txt(txtkey::kSerial);
  tip += "\nDiscovered:\t" + FormatDiscoveredTime(record.DiscoveredTime);
  tip += "\nHostname:\t" + record.HostTarget;
  tip += "\nMAC:\t\t" + txt(txtkey::kMacAddress);
  tip += std::string("\nIP") + (addresses.find('\n') != std::string::npos ? "s" : "") + ":\t\t" + addresses;
  if (const std::string claimed = ClaimedAddresses(record); !claimed.empty()) tip += "\nClaims:\t\t" + claimed;
  tip += "\nPort:\t\t" + std::to_string(record.Port);
  if (!record.LoginWithheld.empty()) tip += "\n\n" + record.LoginWithheld;
  return tip;
}

std::string AdapterTooltip(const CNetworkTools& tools, uint32_t interfaceIndex) {
  const AdapterEntry* adapter = tools.FindAdapter(interfaceIndex);
  if (adapter == nullptr) {
    const AdapterEntry* bare = tools.FindAdapterWithoutIPv4(interfaceIndex);
    return bare != nullptr ? std::string(bare->Name) + "\n\nIP:\tnone" : std::string();
  }
  std::string addresses;
  const uint32_t count = std::min(adapter->AddressCount, AdapterEntry::kMaxAddresses);
  for (uint32_t i = 0; i < count; ++i) {
    if (!addresses.empty()) addresses += '\n';
    addresses += "IP:\t" + ravix::FormatIPv4(adapter->Addresses[i]) + "\nMask:\t" + ravix::FormatIPv4(adapter->Masks[i]);
  }
  if (addresses.empty()) return {};
  return std::string(adapter->Name) + "\n\n" + addresses;
}

}  // namespace views
