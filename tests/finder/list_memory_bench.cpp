// list_memory_bench: the peak resident memory (VmHWM) of `ravixfinder --list` with N
// simulated cameras (every tenth never answering HTTP) against that of `avahi-browse -rtp`
// for the same services, both on one private avahi-daemon in the lab. One simulator
// serves up to 500 cameras, so give the lab one link per 500 cameras (one command line):
//   sudo tools/netlab/netlab --link 10.77.0.1/16=10.77.1.1/16x500 --link 10.78.0.1/16=10.78.1.1/16x500
//     --link 10.79.0.1/16=10.79.1.1/16x500 --link 10.80.0.1/16=10.80.1.1/16x500
//     -- build/tests/finder/list_memory_bench [N] [--seconds S]
// (default N 2000, S 20: how long the finder discovers before it completes). Prints figures only.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/discovery/lab_avahi_daemon.h"
#include "tests/support/camsim_fleet.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGoalRatio = 2.0;

struct ChildFigures {
  double peakMiB = 0;
  double seconds = 0;
  int lines = 0;  // output lines that start with the marker
  bool ok = false;
};

// Runs argv with standard output read line by line; counts lines starting with marker.
ChildFigures RunAndMeasure(const std::vector<std::string>& args, const std::string& marker) {
  ChildFigures figures;
  int out[2];
  if (pipe(out) != 0) return figures;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  FILE* stream = fdopen(out[0], "r");
  char line[4096];
  while (stream != nullptr && std::fgets(line, sizeof line, stream) != nullptr)
    if (std::strncmp(line, marker.c_str(), marker.size()) == 0) ++figures.lines;
  if (stream != nullptr) std::fclose(stream);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.peakMiB = usage.ru_maxrss / 1024.0;  // kB: the child's VmHWM
  figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  int cameras = 2000;
  std::string seconds = "20";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
      seconds = argv[++i];
    else
      cameras = std::atoi(argv[i]);
  }
  LabAvahiDaemon daemon;  // before any thread exists
  if (!daemon.Start()) {
    std::fprintf(stderr, "SKIP: %s (run inside tools/netlab as root)\n", daemon.Error().c_str());
    return 77;
  }
  CamsimFleet fleet;
  std::string error;
  if (!fleet.Start(cameras, 10, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  // The finder keeps its settings and keys in a throwaway home.
  char pattern[] = "/tmp/list-memory-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string home = pattern;
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);

  // avahi-browse first: it also waits until the daemon has every service in its cache.
  ChildFigures browse;
  for (int attempt = 0; attempt < 10 && browse.lines < cameras; ++attempt)
    browse = RunAndMeasure({"avahi-browse", "-rtp", "_http._tcp"}, "=;");
  const ChildFigures finder =
      RunAndMeasure({RAVIX_FINDER_BINARY, "--list", "--seconds", seconds, "--format", "csv"}, "");
  std::filesystem::remove_all(home);

  const double ratio = browse.peakMiB > 0 ? finder.peakMiB / browse.peakMiB : 0;
  std::printf("N=%d cameras (every tenth never answering HTTP), one avahi-daemon\n", cameras);
  std::printf("  %-36s %10s %10s %8s\n", "program", "peak RSS", "rows", "seconds");
  std::printf("  %-36s %7.1f MB %10d %8.1f\n", "avahi-browse -rtp _http._tcp", browse.peakMiB, browse.lines,
              browse.seconds);
  std::printf("  %-36s %7.1f MB %10d %8.1f%s\n", "ravixfinder --list --format csv", finder.peakMiB, finder.lines - 1,
              finder.seconds, finder.ok ? "" : "  (failed)");
  std::printf("  finder / avahi-browse: %.2fx (goal: under %.0fx)%s\n", ratio, kGoalRatio,
              ratio > 0 && ratio < kGoalRatio ? "  met" : "  NOT met");
  return finder.ok ? 0 : 1;
}
