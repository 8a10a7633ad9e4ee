#pragma once
// First contact: a camera found on an adapter (its announcement came over that link) whose
// addresses lie on no subnet of any adapter: the adapter has no IPv4 address at all, or
// the camera sits at a factory or old address. What reaches it is a temporary address for
// the adapter in the camera's subnet: a link-local one for a camera at 169.254/16, else
// one of the candidates proposed here (with the camera's prefix when it is known, /24
// otherwise), each checked free by the network helper before it is taken.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/admin_checks.h"
#include "net/network_tools.h"
#include "records/browse_record.h"

struct FirstContactProposal {
  std::string CameraName;  // the camera's service name, as announced
  uint32_t IfIndex = 0;
  std::string Adapter;        // the adapter's name
  std::string CameraAddress;  // the first advertised host address, as advertised
  bool LinkLocal = false;     // 169.254/16: the helper picks a free link-local address
  // Without LinkLocal: addresses for the adapter in the camera's subnet, best first.
  std::vector<ravix::AddressWithPrefix> Candidates;
};

// The proposal for a camera of the vendor that lies on no subnet of any adapter; none
// for other services, for cameras found by address or through DNS (they may sit beyond a
// router), for cameras without a usable address or on an adapter that is not up, and for
// cameras an adapter reaches as they are. count bounds the candidates.
// Routes are not looked at: callers that accept a routed camera check that themselves.
std::optional<FirstContactProposal> ProposeFirstContact(const CBrowseRecord& record, const CNetworkTools& tools,
                                                        int count = 8);

// Whether text ("a.b.c.d/n") is an address this PC may take to reach the camera of
// proposal: a host address the helper accepts, in the subnet that holds the camera,
// not the camera's own. message says why not.
bool IsAddressForCamera(const FirstContactProposal& proposal, const std::string& text,
                        ravix::AddressWithPrefix& value, std::string& message);
