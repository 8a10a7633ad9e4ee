#pragma once
// An address plan: per camera (matched by serial number or hardware address) the network
// settings it is to get. Read from a CSV file with a header row, or made from a range.
//
// Plan file: UTF-8 with or without BOM, CRLF or LF, fields separated by commas (or by
// semicolons when the header has semicolons and no comma), optionally in double quotes
// ("" inside quotes is one quote). The header names the columns, in any order and case:
// "serial" and/or "mac" to match, then any of "hostname", "address", "prefix",
// "gateway", "nameserver", "dhcp". Other columns are ignored. An empty cell leaves that
// setting as the camera has it.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ravix {

struct PlanRow {
  std::size_t line = 0;  // line in the file (1 = header); 0 for rows made from a range
  std::string serial;    // match by serial number ("" when not used)
  std::string mac;       // or by hardware address, normalised to 00-1e-c0-00-01-00
  uint32_t cameraId = 0; // rows of a range name the camera's record ID directly
  std::optional<std::string> hostName;
  std::optional<std::string> address;
  std::optional<int> prefix;
  std::optional<std::string> gateway;
  std::optional<std::string> nameServer;
  std::optional<bool> dhcp;
};

struct PlanError {
  std::size_t line = 0;
  std::size_t column = 0;  // 1-based field position; 0 when the whole line (or file) is meant
  std::string message;
};

struct AddressPlan {
  std::vector<PlanRow> rows;
};

// Largest plan file read (a site plan is a few hundred lines).
inline constexpr std::size_t kMaxPlanBytes = 1 << 20;

// Parses the text of a plan file. On any fault returns false with every fault found (each
// naming its line and column) and an empty plan.
bool ParseAddressPlan(const std::string& text, AddressPlan& plan, std::vector<PlanError>& errors);

// Reads and parses a plan file; a file that cannot be read is one error at line 0.
bool ReadAddressPlan(const std::string& path, AddressPlan& plan, std::vector<PlanError>& errors);

// "line 3, column 2: ..." (or "line 3: ..." without a column).
std::string FormatPlanError(const PlanError& error);

// A hardware address as "00-1e-c0-00-01-00" from six hexadecimal pairs joined by "-" or
// ":" (or none); false for anything else.
bool NormaliseMacAddress(const std::string& text, std::string& mac);

// A host name a camera takes: 1 to 63 letters, digits and hyphens, not starting or
// ending with a hyphen. Empty when it is fine, else why not.
std::string HostNameProblem(const std::string& name);

// An address a camera may be given: dotted IPv4, unicast (not 0.0.0.0, loopback,
// multicast or broadcast) and, with prefix 1 to 30, neither the subnet's first nor its
// last address. Empty when it is fine, else why not.
std::string CameraAddressProblem(const std::string& address, std::optional<int> prefix);

}  // namespace ravix
