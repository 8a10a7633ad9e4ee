// Benchmark: 50 simulated cameras readdressed from a plan by ravixfinder
// --assign-addresses; the time until every one is announced at its planned address,
// beside its goal, with the machine's load. Run inside the lab:
//   sudo tools/netlab/netlab --link 192.168.77.1/24=192.168.77.10/24x50 -- build/tests/shell/assign_addresses_bench
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "tests/support/camsim_process.h"

namespace {

constexpr int kCameras = 50;
constexpr double kGoalSeconds = 10.0;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

std::string Load() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace

int main() {
  if (Env("NETLAB_ID").empty()) {
    std::fprintf(stderr, "run inside tools/netlab with --link 192.168.77.1/24=192.168.77.10/24x%d\n", kCameras);
    return 77;
  }
  nlohmann::json cameras = nlohmann::json::array();
  std::string plan = "serial,address,prefix,hostname\n";
  for (int n = 1; n <= kCameras; ++n) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "ZV%06d", 700 + n);
    cameras.push_back({{"serial", serial}});
    plan += std::string(serial) + ",192.168.77." + std::to_string(150 + n) + ",24,bench-" + std::to_string(n) + "\n";
  }
  CamsimProcess::Options options;
  options.camerasJson = nlohmann::json{{"cameras", cameras}}.dump();
  options.readyTimeoutMs = 60000;
  CamsimProcess sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }
  char pattern[] = "/tmp/assign-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string home = pattern;
  std::ofstream(home + "/plan.csv") << plan;
  const std::string dir = Env("RAVIX_BINARY_DIR");
  const std::string binary = dir.empty() ? RAVIX_FINDER_BINARY : dir + "/shell/ravixfinder";
  const std::string command = "env HOME=" + home + " XDG_CONFIG_HOME=" + home + "/config XDG_DATA_HOME=" + home +
                              "/data " + binary + " --assign-addresses " + home + "/plan.csv 2>/dev/null";
  const std::string loadBefore = Load();
  const auto start = std::chrono::steady_clock::now();
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::filesystem::remove_all(home);

  const auto at = out.find("Found at the planned address: ");
  const std::string found = at == std::string::npos ? "(not reported)" : out.substr(at + 30, out.find('\n', at) - at - 30);
  double applied = -1;
  if (const auto comma = found.find("cameras, "); comma != std::string::npos) applied = std::atof(found.c_str() + comma + 9);
  std::printf("assign_addresses_bench: %d cameras, exit code %d\n", kCameras, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  std::printf("  found at the planned address: %s\n", found.c_str());
  std::printf("  apply start to all found back: %.1f s   (goal <= %.0f s)%s\n", applied, kGoalSeconds,
              applied >= 0 && applied <= kGoalSeconds ? "" : "   ABOVE GOAL");
  std::printf("  whole command (discovery, preview, apply, found back): %.1f s\n", total);
  std::printf("  load average before: %s, after: %s, cores: %u\n", loadBefore.c_str(), Load().c_str(),
              std::thread::hardware_concurrency());
  return 0;
}
