// Discovery figures inside the network lab (run: tools/netlab/netlab -- discovery_bench):
// time from BrowseOneDomain until N cameras are resolved with their TXT data, for the
// embedded responder and for avahi-daemon, against `avahi-browse -rtp _http._tcp` through
// the same daemon; and the resident memory with 1000 cameras. Prints figures only.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "discovery/avahi_client_backend.h"
#include "discovery/dnssd_service_host.h"
#include "discovery/mdns.h"
#include "lab_avahi_daemon.h"
#include "lab_publisher.h"

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

size_t ResolvedWithPrefix(CmDNS& engine, const std::string& prefix) {
  std::vector<uint32_t> ids;
  engine.GetRecordIDs(ids);
  size_t count = 0;
  for (uint32_t id : ids) {
    CBrowseRecord r;
    if (engine.GetRecord(id, r) && r.ServiceName.rfind(prefix, 0) == 0 && r.Port != 0 &&
        !r.GetTxtValueOrEmpty("serial.zorvnet").empty())
      ++count;
  }
  return count;
}

void PublishCameras(LabPublisher& cameras, const std::string& prefix, int n) {
  for (int i = 0; i < n; ++i)
    cameras.Publish(prefix + std::to_string(i), static_cast<uint16_t>(8000 + i % 1000),
                    {"vendor.zorvnet=Zorvik", "serial.zorvnet=SN" + std::to_string(i), "model.zorvnet=Ravix-D1",
                     "fwversion.zorvnet=1.0", "path=/"});
  const auto start = Clock::now();
  const bool established = cameras.WaitEstablished(300);
  std::printf("# %d cameras published in %.1f s%s\n", n, std::chrono::duration<double>(Clock::now() - start).count(),
              established ? "" : " (not all established)");
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the announcements are over
}

void WithdrawCameras(LabPublisher& cameras, const std::string& prefix, int n) {
  for (int i = 0; i < n; ++i) cameras.Withdraw(prefix + std::to_string(i));
  std::this_thread::sleep_for(std::chrono::seconds(2));
}

// Seconds until all n are resolved (negative when not within the limit).
double TimeEngine(DnssdBackend& backend, const std::string& prefix, int n, long* rssDeltaKiB) {
  DNSServiceSetDefaultBackend(&backend);
  const long before = ResidentKiB();
  CmDNS engine;
  const auto start = Clock::now();
  engine.BrowseOneDomain(0, "_http._tcp", "local.");
  while (ResolvedWithPrefix(engine, prefix) < static_cast<size_t>(n)) {
    if (Clock::now() - start > std::chrono::seconds(120)) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (rssDeltaKiB != nullptr) *rssDeltaKiB = ResidentKiB() - before;
  engine.Close();
  return seconds;
}

double TimeAvahiBrowse(const std::string& prefix, int n, int* found) {
  const auto start = Clock::now();
  FILE* pipe = popen("avahi-browse -rtp _http._tcp 2>/dev/null", "r");
  if (pipe == nullptr) return -1;
  char line[2048];
  *found = 0;
  while (std::fgets(line, sizeof line, pipe) != nullptr)
    if (line[0] == '=' && std::strstr(line, (";" + prefix).c_str()) != nullptr) ++*found;
  pclose(pipe);
  (void)n;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  LabAvahiDaemon daemon;  // before any thread exists
  if (!daemon.Start()) {
    std::fprintf(stderr, "SKIP: %s (run inside tools/netlab as root)\n", daemon.Error().c_str());
    return 77;
  }
  CDnssdServiceHost host;
  if (!host.StartBonjourThread()) return 1;
  EmbeddedResponder* embedded = dynamic_cast<EmbeddedResponder*>(DNSServiceDefaultBackend());
  AvahiClientBackend platform;
  LabPublisher cameras(LabCameraNamespace(), "benchcam");
  if (embedded == nullptr || !cameras.Ok()) return 1;

  std::printf("%6s %12s %12s %16s %10s %10s\n", "N", "embedded s", "platform s", "avahi-browse s", "emb/ab",
              "plat/ab");
  for (int n : {1, 50, 250, 1000}) {
    const std::string prefix = "Bench" + std::to_string(n) + "-";
    PublishCameras(cameras, prefix, n);
    long rss = 0;
    const double tEmbedded = TimeEngine(*embedded, prefix, n, &rss);
    const double tPlatform = TimeEngine(platform, prefix, n, nullptr);
    int found = 0;
    const double tBrowse = TimeAvahiBrowse(prefix, n, &found);
    std::printf("%6d %12.3f %12.3f %12.3f(%d) %10.2f %10.2f\n", n, tEmbedded, tPlatform, tBrowse, found,
                tEmbedded / tBrowse, tPlatform / tBrowse);
    if (n == 1000)
      std::printf("resident memory with 1000 cameras: %ld KiB in all, %ld KiB added by the engine's browse\n",
                  ResidentKiB(), rss);
    std::fflush(stdout);
    WithdrawCameras(cameras, prefix, n);
  }
  DNSServiceSetDefaultBackend(nullptr);
  return 0;
}
