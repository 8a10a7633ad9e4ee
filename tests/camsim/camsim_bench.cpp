// camsim_bench: resident memory and request rate of one simulator process with 250
// cameras. Run it inside the network lab with enough camera addresses:
//   sudo tools/netlab/netlab --link 10.77.0.1/16=10.77.1.1/16x250 -- build/tests/camsim/camsim_bench
// Prints figures only (target: under 200 MB resident).
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/camsim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

long StatusKb(pid_t pid, const std::string& field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  }
  return -1;
}

// Requests from several threads for seconds; returns the number of successful answers.
// Without keep-alive every request opens a connection, round-robin over all cameras; with
// keep-alive each thread stays on one connection to one camera.
long Hammer(const std::vector<std::string>& addresses, int threads, double seconds, bool keepAlive) {
  std::atomic<long> ok{0}, failed{0};
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::vector<std::unique_ptr<httplib::Client>> clients;
      for (const std::string& a : addresses) {
        clients.push_back(std::make_unique<httplib::Client>(a, 80));
        clients.back()->set_keep_alive(keepAlive);
        clients.back()->set_read_timeout(5);
      }
      for (std::size_t i = static_cast<std::size_t>(t); Clock::now() < end; i += static_cast<std::size_t>(threads)) {
        auto& client = *clients[keepAlive ? static_cast<std::size_t>(t) % clients.size() : i % clients.size()];
        auto res = client.Get(
            "/cgi-bin/param_if.cgi?NumActions=2&Action_0=Network.IPAddress.GetValue&Action_1=Global.OperationMode."
            "GetIntValue");
        (res && res->status == 200 ? ok : failed)++;
      }
    });
  }
  for (auto& w : workers) w.join();
  if (failed > 0) std::printf("  (%ld requests failed)\n", failed.load());
  return ok;
}

}  // namespace

int main() {
  if (std::getenv("NETLAB_ID") == nullptr) {
    std::fprintf(stderr,
                 "camsim_bench runs inside the network lab:\n"
                 "  sudo tools/netlab/netlab --link 10.77.0.1/16=10.77.1.1/16x250 -- %s\n",
                 "build/tests/camsim/camsim_bench");
    return 77;
  }
  const int cameras = 250;
  CamsimProcess::Options options;
  options.cameras = cameras;
  options.readyTimeoutMs = 120000;
  CamsimProcess sim(options);
  const auto start = Clock::now();
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "camsim_bench: %s\n", error.c_str());
    return 1;
  }
  const double startup = std::chrono::duration<double>(Clock::now() - start).count();
  std::vector<std::string> addresses;
  for (const auto& camera : sim.List()) addresses.push_back(camera["address"]);
  std::printf("cameras:                 %zu (HTTP listening, mDNS published)\n", addresses.size());
  std::printf("start-up to ready:       %.2f s\n", startup);
  std::printf("resident memory, idle:   %.1f MB\n", StatusKb(sim.Pid(), "VmRSS") / 1024.0);
  std::printf("threads, idle:           %ld\n", StatusKb(sim.Pid(), "Threads"));

  const double seconds = 5;
  for (const bool keepAlive : {false, true}) {
    const long ok = Hammer(addresses, 8, seconds, keepAlive);
    std::printf("requests/s (%s): %.0f  (8 client threads, 2 actions each)\n",
                keepAlive ? "keep-alive, 8 cameras" : "new connection each ", ok / seconds);
  }
  std::printf("resident memory, peak:   %.1f MB\n", StatusKb(sim.Pid(), "VmHWM") / 1024.0);
  std::printf("resident memory, after:  %.1f MB\n", StatusKb(sim.Pid(), "VmRSS") / 1024.0);
  sim.ClearRequestLog();
  return 0;
}
