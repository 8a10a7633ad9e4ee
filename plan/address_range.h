#pragma once
// The range form of an address plan: the cameras, in the list's order, get consecutive
// addresses from a first one, one prefix, gateway and name server, DHCP off, and host
// names from a pattern.

#include <cstdint>
#include <string>
#include <vector>

#include "plan/address_plan.h"

namespace ravix {

struct AddressRange {
  std::string firstAddress;
  int prefix = 24;
  std::string gateway;     // empty: each camera keeps its own
  std::string nameServer;  // empty: each camera keeps its own
  // Host names: "{serial}", "{mac}" and "{n}" (1, 2, ... in list order, zero-padded to the
  // width of the camera count; "{n:3}" pads to 3 digits) are replaced; empty: each camera
  // keeps its name.
  std::string hostPattern;
};

struct RangeCamera {
  uint32_t id = 0;  // record ID
  std::string serial;
  std::string mac;
};

// The plan for cameras under range (one row per camera, naming it by ID). False with the
// faults (line 0) when a value is unusable, the subnet runs out of addresses, or a host
// name made from the pattern is not one a camera takes.
bool MakeRangePlan(const AddressRange& range, const std::vector<RangeCamera>& cameras, AddressPlan& plan,
                   std::vector<PlanError>& errors);

// The host name of the n-th (1-based) of count cameras; false with error for an unknown
// placeholder.
bool ExpandHostPattern(const std::string& pattern, const RangeCamera& camera, std::size_t n, std::size_t count,
                       std::string& name, std::string& error);

}  // namespace ravix
