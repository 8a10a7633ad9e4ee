// ravixfinder: finds the maker's cameras on the local networks.
#include <QCoreApplication>

#include <malloc.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "platform/debug_trace.h"
#include "finder/finder_core.h"
#include "shell/finder_options.h"
#include "shell/list_command.h"
#include "shell/update_firmware_command.h"

#ifdef RAVIX_WITH_WINDOW
#include <QApplication>

#include "gui/app/ravix_finder_app.h"

namespace {

// The finder's window until it closes; the exit code is 100 after a clipboard-mode copy.
int RunWindow(int argc, char** argv, const FinderOptions& options) {
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ravixfinder"));
  QApplication::setApplicationVersion(QStringLiteral(RAVIX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("ravixfinder"));
  CRavixFinderApp::Options appOptions;
  appOptions.clipboardMode = options.clipboardMode;
  appOptions.browseDomains = options.domains;
  appOptions.dnsServers = options.dnsServers;
  appOptions.addresses = options.addresses;
  CRavixFinderApp app(std::move(appOptions));
  if (!app.InitInstance()) return app.ExitInstance(0);
  return app.ExitInstance(QApplication::exec());
}

}  // namespace
#endif

int main(int argc, char** argv) {
  // Completion workers mostly wait for cameras; glibc would give up to eight malloc
  // arenas per core to a few hundred such threads, each holding its own free memory.
  mallopt(M_ARENA_MAX, 2);
  ravix::InitTraceFromEnvironment();
  ravix::TakeTraceOption(argc, argv);

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
    case FinderOptions::Mode::List: {
      QCoreApplication app(argc, argv);
      CFinderCore core;
      return RunListCommand(options, core, stdout, stderr);
    }
    case FinderOptions::Mode::UpdateFirmware: {
      QCoreApplication app(argc, argv);
      CFinderCore core;
      return RunUpdateFirmwareCommand(options, core, std::cout, std::cerr);
    }
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
