#include "finder/address_finder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "camera/camera_client.h"
#include "discovery/unicast_dnssd_query.h"
#include "net/ipv4_text.h"
#include "platform/debug_trace.h"
#include "records/txt_record_parser.h"

namespace {

using Clock = std::chrono::steady_clock;

// Whether address is one of the PC's own or a broadcast address of one of its subnets.
bool IsOwnOrBroadcast(const CNetworkTools& tools, uint32_t address) {
  for (const AdapterEntry& adapter : tools.Adapters()) {
    for (uint32_t i = 0; i < adapter.AddressCount; ++i) {
      if (adapter.Addresses[i] == address) return true;
      const uint32_t mask = adapter.Masks[i];
      if (mask != 0xFFFFFFFFu && mask != htonl(0xFFFFFFFEu) && (address | mask) == 0xFFFFFFFFu &&
          ravix::InSubnet(address, adapter.Addresses[i], mask))
        return true;
    }
  }
  return false;
}

CBrowseRecord RecordFromService(const ravix::UnicastService& service, const CNetworkTools& tools) {
  CBrowseRecord record;
  record.ServiceName = service.Name;
  record.ServiceType = service.Type;
  record.SetDomain(service.Domain.c_str());
  record.SetHostTarget(service.HostTarget.c_str());
  record.Port = service.Port;
  const auto length = static_cast<uint16_t>(std::min<std::size_t>(service.Txt.size(), 0xFFFF));
  record.TxtRecord = ParseTxtRecord(0, length, service.Txt.data());
  record.InterfaceIndex = AdapterForAddress(tools, ravix::FormatIPv4(service.Address));
  return record;
}

// Connects to the HTTP port of every address at once (in batches) and returns those
// that accepted before the timeout or the deadline.
std::vector<uint32_t> AcceptingAddresses(const std::vector<uint32_t>& addresses, const AddressFinderLimits& limits,
                                         Clock::time_point deadline) {
  std::vector<uint32_t> accepting;
  for (std::size_t first = 0; first < addresses.size(); first += limits.ConnectBatch) {
    const std::size_t end = std::min(addresses.size(), first + limits.ConnectBatch);
    std::vector<pollfd> fds;
    std::vector<uint32_t> asked;
    for (std::size_t i = first; i < end; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (fd < 0) continue;
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(limits.HttpPort);
      to.sin_addr.s_addr = addresses[i];
      const int rc = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
      if (rc != 0 && errno != EINPROGRESS) {
        close(fd);
        continue;
      }
      fds.push_back({fd, POLLOUT, 0});
      asked.push_back(addresses[i]);
    }
    const auto batchEnd = std::min(deadline, Clock::now() + limits.ConnectTimeout);
    std::size_t open = fds.size();
    while (open > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(batchEnd - Clock::now()).count();
      if (left <= 0 || poll(fds.data(), fds.size(), static_cast<int>(left)) <= 0) break;
      for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fds[i].fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error == 0) accepting.push_back(asked[i]);
        close(fds[i].fd);
        fds[i].fd = -1;  // poll skips it from now on
        --open;
      }
    }
    for (const pollfd& p : fds)
      if (p.fd >= 0) close(p.fd);
    if (Clock::now() >= deadline) break;
  }
  return accepting;
}

// The camera's own values over its parameter interface: host name and, where the
// camera has them, model, serial number, firmware version and MAC address.
void ReadCameraIdentity(int id, CBrowseRecord& record) {
  std::vector<std::string> values;
  if (CameraGetValues({"Network.HostName", "Device.Model", "Device.SerialNumber", "Device.FirmwareVersion",
                       "Device.MacAddress"},
                      values, id) == CamOk &&
      values.size() == 5) {
    const std::pair<const char*, std::size_t> keys[] = {
        {txtkey::kModel, 1}, {txtkey::kSerial, 2}, {txtkey::kFirmwareVersion, 3}, {txtkey::kMacAddress, 4}};
    for (const auto& [key, index] : keys)
      if (!values[index].empty()) record.AddTxtValue(key, values[index].c_str());
  } else if (CameraGetValues({"Network.HostName"}, values, id) != CamOk || values.size() != 1) {
    return;
  }
  if (!values.front().empty()) record.ServiceName = values.front();
}

// The record of a camera whose parameter interface answers at address; false for
// anything else (another kind of web server, a transfer failure).
bool ProbeParameterInterface(uint32_t address, const CNetworkTools& tools, uint16_t port, CBrowseRecord& record) {
  const std::string text = ravix::FormatIPv4(address);
  const std::string url = "http://" + text + (port != 80 ? ":" + std::to_string(port) : std::string()) + "/";
  int id = 0;
  const CameraResult rc = CameraOpen(url.c_str(), &id, nullptr);
  if (rc != CamOk && rc != CamHttpUnauthorized) return false;
  record = {};
  record.ServiceName = text;
  record.ServiceType = "_http._tcp.";
  record.Port = port;
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  record.AddTxtValue(txtkey::kIpv4Net, text.c_str());
  record.AddTxtValue(txtkey::kFoundBy, "address");
  record.InterfaceIndex = AdapterForAddress(tools, text);
  if (rc == CamOk) {  // a camera that wants a login is named by its address
    ReadCameraIdentity(id, record);
    CameraClose(id);
  }
  return true;
}

std::vector<CBrowseRecord> ProbeAll(const std::vector<uint32_t>& addresses, const CNetworkTools& tools,
                                    const AddressFinderLimits& limits) {
  std::vector<CBrowseRecord> found;
  std::mutex foundLock;
  std::atomic<std::size_t> next{0};
  const std::size_t workers = std::min(limits.HttpWorkers, addresses.size());
  std::vector<std::thread> threads;
  for (std::size_t w = 0; w < workers; ++w) {
    threads.emplace_back([&] {
      for (std::size_t i = next++; i < addresses.size(); i = next++) {
        CBrowseRecord record;
        if (!ProbeParameterInterface(addresses[i], tools, limits.HttpPort, record)) continue;
        std::lock_guard lock(foundLock);
        found.push_back(std::move(record));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  return found;
}

}  // namespace

uint32_t AdapterForAddress(const CNetworkTools& tools, const std::string& address) {
  uint32_t ifIndex = 0;
  if (tools.FindOnLinkAdapter(address, ifIndex)) return ifIndex;
  return CNetworkTools::RouteInterface(address);
}

std::vector<CBrowseRecord> FindCamerasByAddress(const std::vector<uint32_t>& requested, const CNetworkTools& tools,
                                                const AddressFinderLimits& limits) {
  const auto deadline = Clock::now() + limits.Deadline;
  std::vector<uint32_t> addresses;
  std::set<uint32_t> seen;
  for (uint32_t address : requested) {
    if (!seen.insert(address).second) continue;
    if (IsOwnOrBroadcast(tools, address)) {
      DebugTrace("FindCamerasByAddress: %s is this PC's or a broadcast address; skipped",
                 ravix::FormatIPv4(address).c_str());
      continue;
    }
    addresses.push_back(address);
  }
  std::vector<CBrowseRecord> records;
  ravix::UnicastQueryLimits query;
  query.Timeout = std::min(limits.QueryTimeout, limits.Deadline);
  std::set<uint32_t> answered;
  for (const ravix::UnicastService& service : ravix::QueryUnicastDnssd(addresses, "_http._tcp", query)) {
    answered.insert(service.Address);
    records.push_back(RecordFromService(service, tools));
  }
  std::vector<uint32_t> silent;
  for (uint32_t address : addresses)
    if (answered.count(address) == 0) silent.push_back(address);
  const std::vector<uint32_t> accepting = AcceptingAddresses(silent, limits, deadline);
  std::vector<CBrowseRecord> probed = ProbeAll(accepting, tools, limits);
  DebugTrace("FindCamerasByAddress: %zu address(es): %zu by DNS-SD, %zu accept HTTP, %zu by their parameter interface",
             addresses.size(), records.size(), accepting.size(), probed.size());
  for (CBrowseRecord& record : probed) records.push_back(std::move(record));
  return records;
}
