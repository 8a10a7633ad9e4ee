#pragma once
// Cameras at addresses the user added (one address, a range or a block of up to 1024):
// first a DNS-SD query straight to each address's UDP port 5353, which gives the same
// record multicast would; addresses that do not answer it are tried on the camera's HTTP
// port, and what answers there as the camera's parameter interface becomes a record
// "found by address" (named by the camera's host name setting, else by its address).
// Every record found here has the address asked as its contact address (ContactSource
// Asked): what an answer claims about the host's address is kept for display only.
// Everything runs against one total deadline with bounded concurrency: no HTTP probe
// starts after it, so a search ends within one probe (about two seconds) of it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "net/network_tools.h"
#include "records/browse_record.h"

struct AddressFinderLimits {
  std::chrono::milliseconds Deadline{4500};        // for the whole search
  std::chrono::milliseconds QueryTimeout{1200};    // the DNS-SD questions
  std::chrono::milliseconds ConnectTimeout{1000};  // the HTTP port check of one address
  std::size_t ConnectWindow = 512;                 // connects in flight at once (fewer
                                                   // when the descriptor limit is lower)
  std::size_t HttpWorkers = 16;                    // parameter interfaces read at once
  uint16_t HttpPort = 80;
};

// The records of the cameras at addresses (network byte order), each with the adapter
// it is reached through as interface (on-link, else the interface of its route; 0 when
// neither). Addresses of the PC itself and broadcast addresses of its subnets are skipped.
// A set cancel flag ends the search early (within about 50 ms plus one HTTP probe).
std::vector<CBrowseRecord> FindCamerasByAddress(const std::vector<uint32_t>& addresses, const CNetworkTools& tools,
                                                const AddressFinderLimits& limits = {},
                                                const std::atomic<bool>* cancel = nullptr);

// The most addresses one search covers, all entries together (four /22 blocks).
inline constexpr std::size_t kMaxAddressTargets = 4096;

// The addresses of the entries (texts ParseAddressBlock takes; unusable ones are traced
// and skipped), each once, in the order of the entries, at most kMaxAddressTargets.
// warning: empty, or a sentence saying how many there were and that only the first
// kMaxAddressTargets are searched.
std::vector<uint32_t> AddressSearchTargets(const std::vector<std::string>& entries, std::string& warning);

// The adapter a camera at address is reached through, as above.
uint32_t AdapterForAddress(const CNetworkTools& tools, const std::string& address);
