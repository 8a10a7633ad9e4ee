#include "finder/first_contact.h"

#include <arpa/inet.h>

#include "net/ipv4_text.h"

namespace {

constexpr unsigned kDefaultPrefix = 24;

// The adapter of ifIndex, with or without IPv4 addresses; null when it is not up.
const AdapterEntry* FindAnyAdapter(const CNetworkTools& tools, uint32_t ifIndex) {
  if (const AdapterEntry* adapter = tools.FindAdapter(ifIndex); adapter != nullptr) return adapter;
  return tools.FindAdapterWithoutIPv4(ifIndex);
}

// The first advertised address that is a host address; 0 when none is.
uint32_t FirstHostAddress(const CBrowseRecord& record, std::string& text) {
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

bool OnAnySubnet(const CBrowseRecord& record, const CNetworkTools& tools) {
  for (const std::string& candidate : CNetworkTools::CollectCameraAddresses(record)) {
    uint32_t onLink = 0;
    if (!candidate.empty() && tools.FindOnLinkAdapter(candidate, onLink)) return true;
  }
  return false;
}

// The camera's own prefix when its network settings were read and the helper would take
// it; the usual /24 otherwise.
unsigned CameraPrefix(const CBrowseRecord& record) {
  if (!record.NetworkSettingsValid) return kDefaultPrefix;
  const int32_t prefix = record.NetworkSettings.NetPrefix;
  return prefix >= 16 && prefix <= 30 ? static_cast<unsigned>(prefix) : kDefaultPrefix;
}

}  // namespace

std::optional<FirstContactProposal> ProposeFirstContact(const CBrowseRecord& record, const CNetworkTools& tools,
                                                        int count) {
  if (record.TxtRecord.count(txtkey::kVendor) == 0) return std::nullopt;
  // Found by address or through DNS: maybe beyond a router, not on the adapter's link.
  if (record.HasContactAddress()) return std::nullopt;
  FirstContactProposal proposal;
  proposal.CameraName = record.ServiceName;
  const uint32_t camera = FirstHostAddress(record, proposal.CameraAddress);
  const AdapterEntry* adapter = FindAnyAdapter(tools, record.InterfaceIndex);
  if (camera == 0 || adapter == nullptr || OnAnySubnet(record, tools)) return std::nullopt;
  proposal.IfIndex = adapter->IfIndex;
  proposal.Adapter = adapter->Name;
  proposal.LinkLocal = (ntohl(camera) >> 16) == 0xA9FE;  // 169.254/16
  if (proposal.LinkLocal) return proposal;
  proposal.Candidates = ravix::ProposeAddressesNear(camera, CameraPrefix(record), count);
  if (proposal.Candidates.empty()) return std::nullopt;
  return proposal;
}

bool IsAddressForCamera(const FirstContactProposal& proposal, const std::string& text,
                        ravix::AddressWithPrefix& value, std::string& message) {
  uint32_t camera = 0;
  if (!ravix::ParseIPv4(proposal.CameraAddress, camera)) {
    message = "the camera has no usable address";
    return false;
  }
  if (!ravix::ParseAddressWithPrefix(text, value)) {
    message = "not an address with prefix (a.b.c.d/n)";
    return false;
  }
  if (ravix::CheckHostAddress(value, message) != ravix::AdminRefusal::None) return false;
  if (value.Address == camera) {
    message = "that is the camera's own address";
    return false;
  }
  const uint32_t mask = ravix::MaskFromPrefix(value.Prefix);
  if ((value.Address & mask) != (camera & mask)) {
    message = "the camera's address " + proposal.CameraAddress + " is not in that subnet";
    return false;
  }
  return true;
}
