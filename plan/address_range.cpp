#include "plan/address_range.h"

#include <arpa/inet.h>

#include <charconv>

#include "net/ipv4_text.h"

namespace ravix {

namespace {

std::string Padded(std::size_t n, std::size_t width) {
  std::string digits = std::to_string(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// Width of "{n:W}" (1 to 9), or of "{n}" (the count's digits); 0 when neither.
std::size_t CounterWidth(const std::string& token, std::size_t count) {
  if (token == "n") return std::to_string(count).size();
  if (token.size() != 3 || token.compare(0, 2, "n:") != 0 || token[2] < '1' || token[2] > '9') return 0;
  return static_cast<std::size_t>(token[2] - '0');
}

bool CheckValues(const AddressRange& range, uint32_t& first, std::vector<PlanError>& errors) {
  const auto fail = [&](std::string message) { errors.push_back({0, 0, std::move(message)}); };
  if (range.prefix < 1 || range.prefix > 32) fail("prefix " + std::to_string(range.prefix) + " is not from 1 to 32");
  if (const std::string problem = CameraAddressProblem(range.firstAddress, range.prefix); !problem.empty())
    fail("first address '" + range.firstAddress + "': " + problem);
  ParseIPv4(range.firstAddress, first);
  uint32_t parsed = 0;
  if (!range.gateway.empty() && !ParseIPv4(range.gateway, parsed)) fail("gateway '" + range.gateway + "' is not an IPv4 address");
  else if (!range.gateway.empty() && errors.empty() && !InSubnet(parsed, first, MaskFromPrefix(range.prefix)))
    fail("gateway " + range.gateway + " is not in the subnet of " + range.firstAddress + "/" + std::to_string(range.prefix));
  if (!range.nameServer.empty() && !ParseIPv4(range.nameServer, parsed))
    fail("name server '" + range.nameServer + "' is not an IPv4 address");
  return errors.empty();
}

}  // namespace

bool ExpandHostPattern(const std::string& pattern, const RangeCamera& camera, std::size_t n, std::size_t count,
                       std::string& name, std::string& error) {
  name.clear();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '{') {
      name += pattern[i];
      continue;
    }
    const std::size_t close = pattern.find('}', i);
    if (close == std::string::npos) {
      error = "'{' without '}' in the host name pattern";
      return false;
    }
    const std::string token = pattern.substr(i + 1, close - i - 1);
    if (token == "serial") name += camera.serial;
    else if (token == "mac") name += camera.mac;
    else if (const std::size_t width = CounterWidth(token, count); width != 0) name += Padded(n, width);
    else {
      error = "unknown placeholder {" + token + "} in the host name pattern (use {serial}, {mac}, {n} or {n:3})";
      return false;
    }
    i = close;
  }
  return true;
}

bool MakeRangePlan(const AddressRange& range, const std::vector<RangeCamera>& cameras, AddressPlan& plan,
                   std::vector<PlanError>& errors) {
  plan = AddressPlan{};
  errors.clear();
  uint32_t first = 0;
  if (!CheckValues(range, first, errors)) return false;
  const uint32_t mask = ntohl(MaskFromPrefix(static_cast<unsigned>(range.prefix)));
  const uint32_t start = ntohl(first);
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    const RangeCamera& camera = cameras[i];
    const uint32_t host = start + static_cast<uint32_t>(i);
    const std::string address = FormatIPv4(htonl(host));
    const bool sameSubnet = host >= start && (host & mask) == (start & mask);
    if (!sameSubnet || !CameraAddressProblem(address, range.prefix).empty()) {
      errors.push_back({0, 0, "the subnet " + range.firstAddress + "/" + std::to_string(range.prefix) + " has no address left for camera " +
                                  std::to_string(i + 1) + " of " + std::to_string(cameras.size())});
      break;
    }
    PlanRow row;
    row.cameraId = camera.id;
    row.serial = camera.serial;
    row.mac = camera.mac;
    row.address = address;
    row.prefix = range.prefix;
    row.dhcp = false;
    if (!range.gateway.empty()) row.gateway = range.gateway;
    if (!range.nameServer.empty()) row.nameServer = range.nameServer;
    if (!range.hostPattern.empty()) {
      std::string name, error;
      if (!ExpandHostPattern(range.hostPattern, camera, i + 1, cameras.size(), name, error)) {
        errors.push_back({0, 0, error});
        break;
      }
      if (const std::string problem = HostNameProblem(name); !problem.empty()) {
        errors.push_back({0, 0, "host name '" + name + "' of camera " + std::to_string(i + 1) + ": " + problem});
        continue;
      }
      row.hostName = name;
    }
    plan.rows.push_back(row);
  }
  if (!errors.empty()) plan = AddressPlan{};
  return errors.empty();
}

}  // namespace ravix
