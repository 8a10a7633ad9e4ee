#include "finder/address_finder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "camera/camera_client.h"
#include "discovery/unicast_dnssd_query.h"
#include "net/address_block.h"
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
  // Contacted where it was asked and answered; the addresses its TXT record names are
  // only its word.
  record.ContactSource = CBrowseRecord::AddressSource::Asked;
  record.ContactAddress = ravix::FormatIPv4(service.Address);
  record.InterfaceIndex = AdapterForAddress(tools, record.ContactAddress);
  return record;
}

// Connects to the HTTP port of the addresses, at most ConnectWindow at a time, each
// given ConnectTimeout, and returns those that accepted (all within the deadline).
class ConnectScan {
 public:
  ConnectScan(const AddressFinderLimits& limits, Clock::time_point deadline, const std::atomic<bool>* cancel)
      : limits_(limits), deadline_(deadline), cancel_(cancel) {}
  ~ConnectScan() {
    for (const pollfd& p : fds_) close(p.fd);
  }
  ConnectScan(const ConnectScan&) = delete;
  ConnectScan& operator=(const ConnectScan&) = delete;

  std::vector<uint32_t> Run(const std::vector<uint32_t>& addresses) {
    std::size_t next = 0;
    const std::size_t window = Window();
    while (next < addresses.size() || !fds_.empty()) {
      while (next < addresses.size() && fds_.size() < window) Start(addresses[next++]);
      if (fds_.empty()) continue;
      const auto now = Clock::now();
      if (now >= deadline_ || (cancel_ != nullptr && *cancel_)) break;
      auto wake = std::min(deadline_, *std::min_element(ends_.begin(), ends_.end()));
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
      poll(fds_.data(), fds_.size(), static_cast<int>(std::clamp<long long>(left, 1, 50)));
      Collect();
    }
    return accepting_;
  }

 private:
  // Room for connects in flight below the process's descriptor limit.
  std::size_t Window() const {
    rlimit limit{};
    std::size_t room = limits_.ConnectWindow;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur > 256)
      room = std::min<std::size_t>(room, static_cast<std::size_t>(limit.rlim_cur) - 192);
    return std::max<std::size_t>(room, 16);
  }

  void Start(uint32_t address) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(limits_.HttpPort);
    to.sin_addr.s_addr = address;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
      close(fd);
      return;
    }
    fds_.push_back({fd, POLLOUT, 0});
    addresses_.push_back(address);
    ends_.push_back(Clock::now() + limits_.ConnectTimeout);
  }

  // Ends the connects that completed, failed or ran out of time.
  void Collect() {
    const auto now = Clock::now();
    for (std::size_t i = fds_.size(); i-- > 0;) {
      const bool done = fds_[i].revents != 0;
      if (!done && now < ends_[i]) continue;
      if (done) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fds_[i].fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error == 0) accepting_.push_back(addresses_[i]);
      }
      close(fds_[i].fd);
      fds_[i] = fds_.back();
      fds_.pop_back();
      addresses_[i] = addresses_.back();
      addresses_.pop_back();
      ends_[i] = ends_.back();
      ends_.pop_back();
    }
  }

  const AddressFinderLimits& limits_;
  Clock::time_point deadline_;
  const std::atomic<bool>* cancel_;
  std::vector<pollfd> fds_;
  std::vector<uint32_t> addresses_;
  std::vector<Clock::time_point> ends_;
  std::vector<uint32_t> accepting_;
};

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
  record.ContactSource = CBrowseRecord::AddressSource::Asked;
  record.ContactAddress = text;
  record.InterfaceIndex = AdapterForAddress(tools, text);
  if (rc == CamOk) {  // a camera that wants a login is named by its address
    ReadCameraIdentity(id, record);
    CameraClose(id);
  }
  return true;
}

// Reads the parameter interfaces; no probe starts after the deadline, so the search ends
// within one probe's time of it.
std::vector<CBrowseRecord> ProbeAll(const std::vector<uint32_t>& addresses, const CNetworkTools& tools,
                                    const AddressFinderLimits& limits, Clock::time_point deadline,
                                    const std::atomic<bool>* cancel) {
  std::vector<CBrowseRecord> found;
  std::mutex foundLock;
  std::atomic<std::size_t> next{0};
  const std::size_t workers = std::min(limits.HttpWorkers, addresses.size());
  std::vector<std::thread> threads;
  const auto goOn = [&] { return !(cancel != nullptr && *cancel) && Clock::now() < deadline; };
  for (std::size_t w = 0; w < workers; ++w) {
    threads.emplace_back([&] {
      for (std::size_t i = next++; i < addresses.size() && goOn(); i = next++) {
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

std::vector<uint32_t> AddressSearchTargets(const std::vector<std::string>& entries, std::string& warning) {
  warning.clear();
  std::vector<uint32_t> targets;
  std::set<uint32_t> seen;
  std::size_t beyondCap = 0;
  for (const std::string& text : entries) {
    std::vector<uint32_t> block;
    std::string error;
    if (!ravix::ParseAddressBlock(text, block, error)) {
      DebugTrace("Address search: %s", error.c_str());
      continue;
    }
    for (uint32_t address : block) {
      if (!seen.insert(address).second) continue;
      if (targets.size() < kMaxAddressTargets) targets.push_back(address);
      else ++beyondCap;
    }
  }
  if (beyondCap == 0) return targets;
  warning = "the added addresses come to " + std::to_string(targets.size() + beyondCap) + "; only the first " +
            std::to_string(kMaxAddressTargets) + " are searched";
  DebugTrace("Address search: %s", warning.c_str());
  return targets;
}

uint32_t AdapterForAddress(const CNetworkTools& tools, const std::string& address) {
  uint32_t ifIndex = 0;
  if (tools.FindOnLinkAdapter(address, ifIndex)) return ifIndex;
  return CNetworkTools::RouteInterface(address);
}

std::vector<CBrowseRecord> FindCamerasByAddress(const std::vector<uint32_t>& requested, const CNetworkTools& tools,
                                                const AddressFinderLimits& limits, const std::atomic<bool>* cancel) {
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
  // The DNS-SD questions and the HTTP port check run side by side; only hosts that
  // announced no service have their parameter interface read.
  ravix::UnicastQueryLimits query;
  query.Timeout = std::min(limits.QueryTimeout, limits.Deadline);
  query.Cancel = cancel;
  auto announced = std::async(std::launch::async, [&] { return ravix::QueryUnicastDnssd(addresses, "_http._tcp", query); });
  const std::vector<uint32_t> open = ConnectScan(limits, deadline, cancel).Run(addresses);
  std::vector<CBrowseRecord> records;
  std::set<uint32_t> answered;
  for (const ravix::UnicastService& service : announced.get()) {
    answered.insert(service.Address);
    records.push_back(RecordFromService(service, tools));
  }
  std::vector<uint32_t> accepting;
  for (uint32_t address : open)
    if (answered.count(address) == 0) accepting.push_back(address);
  std::vector<CBrowseRecord> probed = ProbeAll(accepting, tools, limits, deadline, cancel);
  DebugTrace("FindCamerasByAddress: %zu address(es): %zu by DNS-SD, %zu accept HTTP, %zu by their parameter interface",
             addresses.size(), records.size(), accepting.size(), probed.size());
  for (CBrowseRecord& record : probed) records.push_back(std::move(record));
  return records;
}
