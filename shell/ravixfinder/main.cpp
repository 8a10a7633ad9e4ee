// ravixfinder: finds the maker's cameras on the local networks.
#include <QCoreApplication>

#include <malloc.h>
#include <sys/auxv.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>

#include "platform/debug_trace.h"
#include "platform/terminal_text.h"
#include "finder/finder_core.h"
#include "shell/assign_addresses_command.h"
#include "shell/finder_options.h"
#include "shell/interrupt_cleanup.h"
#include "shell/list_command.h"
#include "shell/temporary_addresses.h"
#include "shell/update_firmware_command.h"

#ifdef RAVIX_WITH_WINDOW
#include <dlfcn.h>

#include <filesystem>

#include "shell/ravixfinder/window_module.h"

namespace {

// The window module: in the program's library folder when installed (RAVIX_WINDOW_MODULE_DIR,
// relative to the folder above the program's), beside the program in the build tree.
std::string WindowModulePath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return kRavixFinderWindowModuleName;
  const std::filesystem::path installed =
      program.parent_path().parent_path() / RAVIX_WINDOW_MODULE_DIR / kRavixFinderWindowModuleName;
  if (std::filesystem::exists(installed, error)) return installed.string();
  return (program.parent_path() / kRavixFinderWindowModuleName).string();
}

// The finder's window until it closes; the exit code is 100 after a clipboard-mode copy.
int RunWindow(int argc, char** argv, const FinderOptions& options) {
  const std::string path = WindowModulePath();
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);  // stays loaded until the process ends
  auto* run = module != nullptr
                  ? reinterpret_cast<RavixFinderRunWindowFunction*>(dlsym(module, kRavixFinderRunWindowSymbol))
                  : nullptr;
  if (run == nullptr) {
    const char* why = dlerror();
    std::fprintf(stderr, "ravixfinder: the window cannot be opened: %s\n", why != nullptr ? why : path.c_str());
    return 1;
  }
  return run(argc, argv, &options, ravix::IsTraceEnabled());
}

}  // namespace
#endif

namespace {

// Started with more rights than its user (a file capability or setuid: the kernel sets
// AT_SECURE), the program must not load code a user points it at: the variables that
// name Qt's plugin and library folders go before Qt starts.
void ClearLoadPathsWhenElevated() {
  if (getauxval(AT_SECURE) == 0) return;
  static const char* const kLoadPaths[] = {
      "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH", "QT_QPA_GENERIC_PLUGINS", "QT_QPA_PLATFORMTHEME",
      "QT_STYLE_OVERRIDE", "QT_DEBUG_PLUGINS", "QML2_IMPORT_PATH", "QML_IMPORT_PATH",
      "LD_LIBRARY_PATH", "LD_PRELOAD", "QT_CONF_PATH"};
  for (const char* name : kLoadPaths) unsetenv(name);
  DebugTrace("ravixfinder runs with elevated privileges: Qt plugin and library path variables cleared");
}

// The command-line modes: temporary addresses first, then the command, then the
// addresses go again (also when the user interrupts it).
template <typename Command>
int RunCommandLineMode(int argc, char** argv, const FinderOptions& options, Command command) {
  // The core the watcher may clean up; it is let go under the lock before it ends.
  std::mutex runningLock;
  CFinderCore* running = nullptr;
  const InterruptCleanup interrupt([&] {
    const std::lock_guard lock(runningLock);
    if (running == nullptr) return;
    running->StopNetworkHelper();
    running->TemporaryAddresses().RemoveAll();
  });
  QCoreApplication app(argc, argv);
  CFinderCore core;
  {
    const std::lock_guard lock(runningLock);
    running = &core;
  }
  core.UseNetworkHelper(true, [](const std::string& why) { std::fprintf(stderr, "ravixfinder: %s\n", why.c_str()); });
  ravix::TemporaryAddressKeeper& addresses = core.TemporaryAddresses();
  int code = AddTemporaryAddresses(options.temporaryAddresses, addresses, stderr);
  if (code == 0) code = command(core);
  core.StopNetworkHelper();
  addresses.RemoveAll();
  const std::lock_guard lock(runningLock);
  running = nullptr;
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  // Completion workers mostly wait for cameras; glibc would give up to eight malloc
  // arenas per core to a few hundred such threads, each holding its own free memory.
  mallopt(M_ARENA_MAX, 2);
  ravix::InitTraceFromEnvironment();
  ravix::TakeTraceOption(argc, argv);
  ClearLoadPathsWhenElevated();

  FinderOptions options;
  std::string error;
  if (!ParseFinderOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "ravixfinder: %s\n\n%s", error.c_str(), FinderUsageText());
    return 2;
  }
  switch (options.mode) {
    case FinderOptions::Mode::Version:
      std::printf("ravixfinder %s\n", RAVIX_VERSION);
      return 0;
    case FinderOptions::Mode::Help:
      std::fputs(FinderUsageText(), stdout);
      return 0;
    case FinderOptions::Mode::List:
      return RunCommandLineMode(argc, argv, options,
                                [&options](CFinderCore& core) { return RunListCommand(options, core, stdout, stderr); });
    case FinderOptions::Mode::UpdateFirmware:
      return RunCommandLineMode(argc, argv, options, [&options](CFinderCore& core) {
        return RunUpdateFirmwareCommand(options, core, std::cout, std::cerr, ravix::IsTerminal(stdout));
      });
    case FinderOptions::Mode::AssignAddresses:
      return RunCommandLineMode(argc, argv, options, [&options](CFinderCore& core) {
        return RunAssignAddressesCommand(options, core, std::cout, std::cerr, ravix::IsTerminal(stdout));
      });
    default:
#ifdef RAVIX_WITH_WINDOW
      return RunWindow(argc, argv, options);
#else
      std::fprintf(stderr, "ravixfinder: the window of the finder is not part of this build; use --list\n\n%s",
                   FinderUsageText());
      return 2;
#endif
  }
}
