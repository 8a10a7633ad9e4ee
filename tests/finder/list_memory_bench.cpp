// list_memory_bench: the peak resident memory (VmHWM) of `ravixfinder --list` with N
// simulated cameras (every tenth never answering HTTP) against its goal (24 MB at 1000
// cameras) and against that of `avahi-browse -rtp` for the same services, both on one
// private avahi-daemon in the lab (their own VmHWM, read while they run), with where the
// finder's memory lies at its peak (libraries, heap, malloc arenas, thread stacks).
// One simulator serves up to 500 cameras, so give the lab one link per 500 cameras:
//   sudo tools/netlab/netlab --link 10.77.0.1/16=10.77.1.1/16x500 --link 10.78.0.1/16=10.78.1.1/16x500
//     -- build/tests/finder/list_memory_bench [N] [--seconds S] [--smaps FILE]
// (default N 1000, S 20: how long the finder discovers before it completes; FILE gets the
// finder's whole memory map at its peak). Prints figures only.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/discovery/lab_avahi_daemon.h"
#include "tests/support/camsim_fleet.h"
#include "tests/support/memory_map_parts.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGoalRatio = 2.0;
constexpr double kGoalMiB = 24.0;  // at 1000 cameras

// A "Key: N kB" line of a /proc status file in MiB; 0 when it cannot be read.
double StatusMiB(const std::string& path, const char* key) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line))
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::strlen(key)) / 1024.0;
  return 0;
}

struct ChildFigures {
  double peakMiB = 0;
  double seconds = 0;
  int lines = 0;  // output lines that start with the marker
  bool ok = false;
  std::string peakSmaps;  // the memory map at the highest VmHWM, when asked for
};

// Runs argv with standard output read line by line; counts lines starting with marker.
// With keepMaps, the child's /proc/PID/smaps at its highest VmHWM is kept.
ChildFigures RunAndMeasure(const std::vector<std::string>& args, const std::string& marker, bool keepMaps = false) {
  ChildFigures figures;
  int out[2];
  if (pipe(out) != 0) return figures;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDERR_FILENO);  // avahi-browse names every failed resolve
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  // ru_maxrss would also count this process's pages the child held before exec, so the
  // child's own VmHWM is read while it runs (it only grows; the last reading is kept).
  std::atomic<bool> ended{false};
  std::atomic<double> peakMiB{0};
  std::string peakMaps;
  std::thread watcher([&] {
    const std::string proc = "/proc/" + std::to_string(pid);
    while (!ended) {
      const double hwm = StatusMiB(proc + "/status", "VmHWM:");
      if (hwm > 0 && hwm != peakMiB && keepMaps) {
        std::ifstream maps(proc + "/smaps");
        peakMaps.assign(std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>());
      }
      if (hwm > 0) peakMiB = hwm;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  FILE* stream = fdopen(out[0], "r");
  char line[4096];
  while (stream != nullptr && std::fgets(line, sizeof line, stream) != nullptr)
    if (std::strncmp(line, marker.c_str(), marker.size()) == 0) ++figures.lines;
  if (stream != nullptr) std::fclose(stream);
  // Reap only once the watcher has stopped, so that it never reads a reused pid.
  siginfo_t info{};
  waitid(P_PID, pid, &info, WEXITED | WNOWAIT);
  ended = true;
  watcher.join();
  int status = 0;
  waitpid(pid, &status, 0);
  figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.peakMiB = peakMiB;
  figures.peakSmaps = std::move(peakMaps);
  figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  int cameras = 1000;
  std::string seconds = "20";
  std::string mapsFile;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
      seconds = argv[++i];
    else if (std::strcmp(argv[i], "--smaps") == 0 && i + 1 < argc)
      mapsFile = argv[++i];
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
  // A daemon limits each client to 1024 objects (objects-per-client-max), so past about
  // a thousand cameras some resolves fail; the rows column shows how many were resolved.
  ChildFigures browse;
  for (int attempt = 0; attempt < 3 && browse.lines < cameras; ++attempt)
    browse = RunAndMeasure({"avahi-browse", "-rtp", "_http._tcp"}, "=;");
  // RAVIX_BENCH_WRAPPER (e.g. "heaptrack -o /tmp/list") runs the finder under a profiler;
  // the figures are then the profiler's.
  std::vector<std::string> command;
  if (const char* wrapper = std::getenv("RAVIX_BENCH_WRAPPER"); wrapper != nullptr) {
    std::istringstream words(wrapper);
    for (std::string word; words >> word;) command.push_back(word);
  }
  command.insert(command.end(), {RAVIX_FINDER_BINARY, "--list", "--seconds", seconds, "--format", "csv"});
  const ChildFigures finder = RunAndMeasure(command, "", true);
  std::filesystem::remove_all(home);
  if (!mapsFile.empty()) std::ofstream(mapsFile) << finder.peakSmaps;

  const double ratio = browse.peakMiB > 0 ? finder.peakMiB / browse.peakMiB : 0;
  std::printf("N=%d cameras (every tenth never answering HTTP), one avahi-daemon\n", cameras);
  std::printf("  %-36s %10s %10s %8s\n", "program", "peak RSS", "rows", "seconds");
  std::printf("  %-36s %7.1f MB %10d %8.1f\n", "avahi-browse -rtp _http._tcp", browse.peakMiB, browse.lines,
              browse.seconds);
  std::printf("  %-36s %7.1f MB %10d %8.1f%s\n", "ravixfinder --list --format csv", finder.peakMiB, finder.lines - 1,
              finder.seconds, finder.ok ? "" : "  (failed)");
  std::printf("  finder's peak: %.1f MB (goal at 1000 cameras: at most %.0f MB)%s\n", finder.peakMiB, kGoalMiB,
              cameras != 1000 ? "" : finder.peakMiB <= kGoalMiB ? "  met" : "  NOT met");
  MemoryMapParts::FromSmaps(finder.peakSmaps).Print(stdout, "    ");
  std::printf("  finder / avahi-browse: %.2fx (goal: under %.0fx)%s\n", ratio, kGoalRatio,
              ratio > 0 && ratio < kGoalRatio ? "  met" : "  NOT met");
  return finder.ok ? 0 : 1;
}
