// Figures, not a test: how long finding and completing the cameras of a /22 given by
// address takes (goal: about 5 s for a /22 with ten cameras). Ten simulated cameras sit
// on a far /22 behind the lab's router and ten on an on-link /22; each block is searched
// in the process (FindCamerasByAddress) and with `ravixfinder --list --address BLOCK
// --seconds 1` (search, completion and listing).
//
//   tools/netlab/netlab --routed 10.40.0.1/24=10.40.0.254/24,10.41.0.1/22=10.41.1.10/22x10
//     --link 10.42.0.1/22=10.42.1.10/22x10 -- build/tests/finder/address_search_bench  (one line)

#include <arpa/inet.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "finder/address_finder.h"
#include "net/address_block.h"
#include "tests/support/camsim_process.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string CamerasJson(const std::string& prefix, const std::string& name, int serial) {
  nlohmann::json cams = nlohmann::json::array();
  for (int i = 0; i < 10; ++i) {
    const std::string address = prefix + std::to_string(10 + i);
    cams.push_back({{"name", name + std::to_string(i)}, {"address", address}, {"ipv4_net", address},
                    {"serial", "ZV" + std::to_string(serial + i)}});
  }
  return nlohmann::json{{"cameras", cams}}.dump();
}

void Measure(const char* label, const std::string& block) {
  CNetworkTools tools;
  std::vector<uint32_t> addresses;
  std::string error;
  if (!ravix::ParseAddressBlock(block, addresses, error)) {
    std::printf("%s: %s\n", label, error.c_str());
    return;
  }
  auto start = std::chrono::steady_clock::now();
  const auto found = FindCamerasByAddress(addresses, tools);
  const double search = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const std::string command = "env HOME=/tmp/ravix-address-bench " + Env("RAVIX_BINARY_DIR") +
                              "/shell/ravixfinder --list --format csv --seconds 1 --address " + block +
                              " >/tmp/ravix-address-bench.csv 2>/dev/null";
  start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double listed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int rows = -1;  // header line
  if (FILE* csv = std::fopen("/tmp/ravix-address-bench.csv", "r")) {
    for (int c = 0; (c = std::fgetc(csv)) != EOF;) rows += c == '\n';
    std::fclose(csv);
  }
  std::printf("%-28s %zu addresses: search %.2f s, %zu cameras found; ravixfinder --list %.2f s "
              "(exit %d, %d cameras listed, with those multicast finds on the link); goal about 5 s\n",
              label, addresses.size(), search, found.size(), listed, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
              rows);
}

}  // namespace

int main() {
  if (Env("NETLAB_FAR").empty() || Env("NETLAB_CAM0").empty()) {
    std::fprintf(stderr, "run inside the lab with --routed and one --link (see the header)\n");
    return 77;
  }
  if (Env("RAVIX_BINARY_DIR").empty()) setenv("RAVIX_BINARY_DIR", RAVIX_BINARY_DIR_DEFAULT, 1);
  CamsimProcess::Options far;
  far.cameraNamespace = Env("NETLAB_FAR");
  far.camerasJson = CamerasJson("10.41.1.", "FAR", 610000);
  CamsimProcess farSim(far);
  CamsimProcess::Options near;
  near.camerasJson = CamerasJson("10.42.1.", "NEAR", 620000);
  CamsimProcess nearSim(near);
  std::string error;
  if (!farSim.Start(&error) || !nearSim.Start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }
  Measure("routed /22 (10 cameras)", "10.41.0.0/22");
  Measure("on-link /22 (10 cameras)", "10.42.0.0/22");
  return 0;
}
