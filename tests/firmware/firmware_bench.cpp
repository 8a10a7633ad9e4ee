// firmware_bench: updates 50 simulated cameras at once with an 8 MB image and compares
// the time with one camera alone; prints the process's peak resident memory. Run it in
// the network lab, e.g.
//   tools/netlab/netlab --link 192.168.77.1/24=192.168.77.10/24x50 -- build/tests/firmware/firmware_bench
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "camera/camera_client.h"
#include "firmware/update_batch.h"
#include "tests/support/camsim_process.h"

namespace {

// Peak resident memory of this process in MiB.
double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// CPU seconds this process (the finder's side) has used so far.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User and system time of another process, from /proc/PID/stat (fields 14 and 15).
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(file, text);
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i >= 14) ticks += std::atof(field.c_str());
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one;
  file >> one;
  return one;
}

// Updates the first count cameras; returns the seconds it took, or a negative number.
double Update(const nlohmann::json& cameras, std::size_t count, const std::vector<unsigned char>& image, int& failed) {
  std::vector<FirmwareUpdateTarget> targets;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string url = "http://" + cameras[i]["address"].get<std::string>() + "/";
    FirmwareUpdateTarget target;
    target.name = cameras[i]["name"];
    target.openResult = CameraOpen(url.c_str(), &target.handleId, nullptr);
    targets.push_back(target);
  }
  std::ostringstream out;
  const auto start = std::chrono::steady_clock::now();
  const int code = UpdateFirmwareOnCameras(image, targets, out);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  failed = code == kFirmwareCommandOk ? 0 : 1;
  if (code != kFirmwareCommandOk) std::cerr << out.str();
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  constexpr std::size_t kCameras = 50;
  constexpr std::size_t kImageSize = 8u << 20;
  if (std::getenv("NETLAB_CAM0") == nullptr) {
    std::fprintf(stderr, "firmware_bench: run me inside tools/netlab with %zu camera addresses\n", kCameras);
    return 77;
  }
  CamsimProcess::Options options;
  options.cameras = static_cast<int>(kCameras);
  options.mdns = false;
  CamsimProcess sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "firmware_bench: simulator: %s\n", error.c_str());
    return 1;
  }
  const nlohmann::json cameras = sim.List();
  if (cameras.size() < kCameras) {
    std::fprintf(stderr, "firmware_bench: only %zu cameras\n", cameras.size());
    return 1;
  }
  const std::string made = CamsimProcess::FirmwareImage(kImageSize, "9.9.9");
  const std::vector<unsigned char> image(made.begin(), made.end());
  const double baseline = PeakResidentMiB();

  int failed = 0;
  const double cpuStart = CpuSeconds();
  const double simStart = ProcessCpuSeconds(sim.Pid());
  const double one = Update(cameras, 1, image, failed);
  const double cpuOne = CpuSeconds() - cpuStart;
  const double simOne = ProcessCpuSeconds(sim.Pid()) - simStart;
  const double afterOne = PeakResidentMiB();
  int failedAll = 0;
  const double all = Update(cameras, kCameras, image, failedAll);
  const double cpuAll = CpuSeconds() - cpuStart - cpuOne;
  const double simAll = ProcessCpuSeconds(sim.Pid()) - simStart - simOne;
  const double afterAll = PeakResidentMiB();
  const double ratio = all / one;

  std::printf("image                        %.1f MiB\n", static_cast<double>(image.size()) / (1 << 20));
  std::printf("one camera                   %.2f s%s\n", one, failed != 0 ? " (FAILED)" : "");
  std::printf("%zu cameras in parallel      %.2f s%s (%.2f x one camera; goal <= 1.3 x: %s; load %s)\n", kCameras, all,
              failedAll != 0 ? " (FAILED)" : "", ratio, ratio <= 1.3 ? "met" : "missed", LoadAverage().c_str());
  std::printf("finder's CPU time            %.2f s for one camera, %.2f s for %zu\n", cpuOne, cpuAll, kCameras);
  std::printf("simulated cameras' CPU time  %.2f s for one camera, %.2f s for %zu (on %ld processors)\n", simOne,
              simAll, kCameras, sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("peak resident, image loaded  %.1f MiB\n", baseline);
  std::printf("peak resident, one camera    %.1f MiB\n", afterOne);
  std::printf("peak resident, %zu cameras   %.1f MiB (%.1f MiB above the loaded image)\n", kCameras, afterAll,
              afterAll - baseline);
  return failed + failedAll == 0 ? 0 : 1;
}
