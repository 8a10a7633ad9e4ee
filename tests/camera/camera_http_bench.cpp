// Prints how many CameraGetValues calls (the seven network parameters) per second one
// simulated camera answers over the lab link: with one handle, and with 8 handles on 8
// threads. Outside a lab it re-runs itself inside tools/netlab (needs root).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "camera/camera_client.h"
#include "tests/support/camsim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::string> kNetworkNames{"Network.DHCP",     "Network.HTTPPort", "Network.NetPrefix",
                                             "Network.IPAddress", "Network.Gateway",  "Network.HostName",
                                             "Network.NameServer"};

struct Tally {
  std::atomic<long> ok{0};
  std::atomic<long> failed{0};
  std::atomic<int> lastFailure{0};
};

void ReadLoop(int id, Clock::time_point end, Tally& tally) {
  std::vector<std::string> values;
  while (Clock::now() < end) {
    const CameraResult r = CameraGetValues(kNetworkNames, values, id);
    if (r == CamOk) {
      ++tally.ok;
    } else {
      ++tally.failed;
      tally.lastFailure = r;
    }
  }
}

bool Run(const std::string& url, int threads, double seconds) {
  std::vector<int> ids(threads, 0);
  for (int& id : ids) {
    const CameraResult r = CameraOpen(url.c_str(), &id, nullptr);
    if (r != CamOk) {
      std::fprintf(stderr, "CameraOpen %s: %d\n", url.c_str(), r);
      return false;
    }
  }
  Tally tally;
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::vector<std::thread> workers;
  for (int id : ids) workers.emplace_back(ReadLoop, id, end, std::ref(tally));
  for (std::thread& t : workers) t.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%d handle(s) on %d thread(s): %8.0f CameraGetValues/s  (%ld ok, %ld failed, last failure %d, %.1f s, %.3f ms each)\n",
              threads, threads, tally.ok / elapsed, tally.ok.load(), tally.failed.load(), tally.lastFailure.load(), elapsed,
              tally.ok > 0 ? 1000.0 * elapsed * threads / tally.ok : 0.0);
  for (int id : ids) CameraClose(id);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("NETLAB_ID") == nullptr) {
    std::fprintf(stderr, "camera_http_bench: starting a network lab (%s)\n", RAVIX_NETLAB_PATH);
    std::vector<char*> args{const_cast<char*>(RAVIX_NETLAB_PATH), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execv(RAVIX_NETLAB_PATH, args.data());
    std::perror("netlab");
    return 1;
  }
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  CamsimProcess::Options options;
  options.mdns = false;
  options.cameras = 1;
  CamsimProcess sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }
  const std::string url = "http://" + sim.List()[0]["address"].get<std::string>() + "/";
  std::printf("CameraGetValues of the 7 network parameters against one simulated camera at %s\n", url.c_str());
  bool ok = Run(url, 1, seconds);
  ok = Run(url, 8, seconds) && ok;
  return ok ? 0 : 1;
}
