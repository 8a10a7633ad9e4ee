#pragma once
// After a listing: for each camera found on an adapter but in none of its subnets (an
// adapter without IPv4 address, a camera at a factory or old address), the
// --temporary-address that would reach it, one line each for the terminal.

#include <string>
#include <vector>

#include "net/network_tools.h"
#include "records/browse_record.h"

std::vector<std::string> FirstContactHints(const std::vector<CBrowseRecord>& records, const CNetworkTools& tools);
