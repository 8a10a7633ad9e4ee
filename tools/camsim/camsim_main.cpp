// ravix-camsim: simulates the maker's IP cameras for the network lab. See README.md.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <thread>

#include "tools/camsim/camera_config.h"
#include "tools/camsim/control_channel.h"
#include "tools/camsim/firmware_image.h"
#include "tools/camsim/parameter_catalogue.h"
#include "tools/camsim/simulator.h"

namespace {

constexpr const char* kUsage =
    "Usage: ravix-camsim [options]\n"
    "\n"
    "Simulates the maker's IP cameras: each on its own IPv4 address, advertised by mDNS as\n"
    "\"_http._tcp\" with the camera TXT keys, answering auth_if.cgi, param_if.cgi and\n"
    "firmware.cgi over HTTP. Run it inside a lab namespace (tools/netlab), never on the\n"
    "machine's own interfaces.\n"
    "\n"
    "  --cameras N          simulate N built-in cameras (0 to 500)\n"
    "  --profile NAME       built-in profile: plain (default) or mixed (domes, logins,\n"
    "                       cameras without MAC key, a printer and a NAS)\n"
    "  --config FILE        cameras and services from a JSON description\n"
    "  --catalogue FILE     parameter catalogue (default: the built-in one)\n"
    "  --port P             HTTP port of cameras that name none (default 80)\n"
    "  --addresses LIST     addresses for devices without one (comma separated; default:\n"
    "                       this namespace's IPv4 addresses except loopback)\n"
    "  --log FILE           request log, one JSON line per request (\"-\": standard error)\n"
    "  --no-mdns            no mDNS announcements (HTTP only, e.g. on loopback)\n"
    "  --no-control         ignore standard input; run until SIGINT or SIGTERM\n"
    "  --restart-ms N       pause before a camera serves at an address given by Commit\n"
    "                       (default 1000)\n"
    "  --print-catalogue    print the built-in catalogue and exit\n"
    "  --make-firmware FILE write a firmware image the cameras accept and exit\n"
    "  --firmware-version V version in that image (default 3.3.0)\n"
    "  --firmware-size N    its size in bytes (default 65536)\n"
    "  --help, --version\n"
    "\n"
    "Once every device listens and is published it prints \"ready N\" on standard output\n"
    "and reads control commands from standard input, one per line (\"help\" lists them);\n"
    "end of input stops it.\n";

struct Options {
  int cameras = -1;
  std::string profile = "plain";
  std::string config, catalogue, log, makeFirmware;
  std::string firmwareVersion = "3.3.0";
  std::size_t firmwareSize = 65536;
  int port = 80;
  int restartMs = 1000;
  std::vector<std::string> addresses;
  bool mdns = true, control = true, printCatalogue = false;
};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  for (const char c : text + ",") {
    if (c == ',' || c == ' ') {
      if (!item.empty()) items.push_back(item);
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  return items;
}

bool ParseNumber(const char* text, long min, long max, long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && out >= min && out <= max;
}

// Returns 0 to go on, else the exit code (after usage or an error message).
int ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() -> const char* { return argv[++i]; };
    long n = 0;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return -1;
    } else if (arg == "--version") {
      std::printf("ravix-camsim %s\n", RAVIX_VERSION);
      return -1;
    } else if (arg == "--no-mdns") {
      o.mdns = false;
    } else if (arg == "--no-control") {
      o.control = false;
    } else if (arg == "--print-catalogue") {
      o.printCatalogue = true;
    } else if (!hasValue) {
      std::fprintf(stderr, "ravix-camsim: unknown option or missing value: %s\n%s", arg.c_str(), kUsage);
      return 2;
    } else if (arg == "--cameras") {
      if (!ParseNumber(value(), 0, 500, n)) {
        std::fprintf(stderr, "ravix-camsim: --cameras takes a count from 0 to 500\n");
        return 2;
      }
      o.cameras = static_cast<int>(n);
    } else if (arg == "--port") {
      if (!ParseNumber(value(), 1, 65535, n)) {
        std::fprintf(stderr, "ravix-camsim: --port takes a port from 1 to 65535\n");
        return 2;
      }
      o.port = static_cast<int>(n);
    } else if (arg == "--restart-ms") {
      if (!ParseNumber(value(), 0, 600000, n)) {
        std::fprintf(stderr, "ravix-camsim: --restart-ms takes 0 to 600000 milliseconds\n");
        return 2;
      }
      o.restartMs = static_cast<int>(n);
    } else if (arg == "--firmware-size") {
      if (!ParseNumber(value(), 64, 1L << 30, n)) {
        std::fprintf(stderr, "ravix-camsim: --firmware-size takes 64 bytes to 1 GiB\n");
        return 2;
      }
      o.firmwareSize = static_cast<std::size_t>(n);
    } else if (arg == "--profile") {
      o.profile = value();
    } else if (arg == "--config") {
      o.config = value();
    } else if (arg == "--catalogue") {
      o.catalogue = value();
    } else if (arg == "--log") {
      o.log = value();
    } else if (arg == "--addresses") {
      o.addresses = SplitList(value());
    } else if (arg == "--make-firmware") {
      o.makeFirmware = value();
    } else if (arg == "--firmware-version") {
      o.firmwareVersion = value();
    } else {
      std::fprintf(stderr, "ravix-camsim: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  return 0;
}

int MakeFirmware(const Options& o) {
  const std::string image = camsim::MakeFirmwareImage(o.firmwareSize, o.firmwareVersion);
  std::ofstream out(o.makeFirmware, std::ios::binary);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  if (!out) {
    std::fprintf(stderr, "ravix-camsim: cannot write %s\n", o.makeFirmware.c_str());
    return 1;
  }
  return 0;
}

std::optional<camsim::SimulationConfig> BuildConfig(const Options& o, std::string& error) {
  camsim::SimulationConfig config;
  if (!o.config.empty()) {
    auto loaded = camsim::LoadSimulationConfig(o.config, error);
    if (!loaded) return std::nullopt;
    config = *loaded;
  }
  if (o.cameras >= 0 || o.config.empty()) {
    auto generated = camsim::MakeProfile(o.profile, o.cameras >= 0 ? o.cameras : 1, error);
    if (!generated) return std::nullopt;
    config.cameras.insert(config.cameras.end(), generated->cameras.begin(), generated->cameras.end());
  }
  return config;
}

// SIGINT and SIGTERM are blocked in every thread and taken by this one, which wakes the
// main loop through an eventfd.
int StartSignalThread() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  const int fd = eventfd(0, EFD_CLOEXEC);
  std::thread([set, fd] {
    int sig = 0;
    sigwait(&set, &sig);
    const uint64_t one = 1;
    (void)!write(fd, &one, sizeof one);
  }).detach();
  return fd;
}

// Reads control lines from standard input until "quit", end of input or a signal.
void RunControl(camsim::ControlChannel& control, int stopFd, bool readInput) {
  std::string buffer;
  pollfd fds[2] = {{stopFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  const nfds_t count = readInput ? 2 : 1;
  while (!control.QuitRequested()) {
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) return;
    if (count < 2 || fds[1].revents == 0) continue;
    char chunk[4096];
    const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) return;
    buffer.append(chunk, static_cast<std::size_t>(n));
    for (std::size_t eol; (eol = buffer.find('\n')) != std::string::npos;) {
      std::string line = buffer.substr(0, eol);
      buffer.erase(0, eol + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      std::printf("%s\n", control.Execute(line).c_str());
      std::fflush(stdout);
      if (control.QuitRequested()) return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int parsed = ParseOptions(argc, argv, options);
  if (parsed != 0) return parsed < 0 ? 0 : parsed;
  if (options.printCatalogue) {
    std::fputs(camsim::ParameterCatalogue::DefaultJson(), stdout);
    return 0;
  }
  if (!options.makeFirmware.empty()) return MakeFirmware(options);

  std::string error;
  camsim::SimulatorOptions simOptions;
  if (!options.catalogue.empty()) {
    auto catalogue = camsim::ParameterCatalogue::Load(options.catalogue, error);
    if (!catalogue) {
      std::fprintf(stderr, "ravix-camsim: %s\n", error.c_str());
      return 1;
    }
    simOptions.catalogue = std::make_shared<const camsim::ParameterCatalogue>(std::move(*catalogue));
  }
  const auto config = BuildConfig(options, error);
  if (!config) {
    std::fprintf(stderr, "ravix-camsim: %s\n", error.c_str());
    return 1;
  }
  simOptions.defaultPort = static_cast<uint16_t>(options.port);
  simOptions.mdns = options.mdns;
  simOptions.addressPool = options.addresses;
  simOptions.logPath = options.log;
  simOptions.restartMs = options.restartMs;

  std::signal(SIGPIPE, SIG_IGN);
  const int stopFd = StartSignalThread();
  camsim::Simulator simulator(simOptions);
  if (!simulator.Start(*config, error)) {
    std::fprintf(stderr, "ravix-camsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("ready %zu\n", simulator.Count());
  std::fflush(stdout);
  camsim::ControlChannel control(simulator);
  RunControl(control, stopFd, options.control);
  simulator.Stop();
  return 0;
}
