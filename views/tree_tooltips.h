#pragma once
// The texts of the camera tree's tooltips: a camera's details, and an adapter's
// addresses. Lines are separated by '\n' and label and value by tabs, so a tip can be
// shown as a two-column table.

#include <cstdint>
#include <string>

#include "records/browse_record.h"

class CNetworkTools;

namespace views {

// Service name, an empty line, then Model, Firmware, Model ID, Serial, Discovered,
// Hostname, MAC, IP (IPs and one address per line when there are two), Claims (for a
// camera found by address or in a browse domain: the other addresses its TXT record
// names, which are never contacted) and Port.
std::string CameraTooltip(const CBrowseRecord& record);

// Adapter name, an empty line, then "IP:\t<address>\nMask:\t<mask>" per address; the
// empty text when the adapter is unknown or has no address.
std::string AdapterTooltip(const CNetworkTools& tools, uint32_t interfaceIndex);

}  // namespace views
