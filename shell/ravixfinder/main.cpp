// ravixfinder: finds the maker's cameras on the local networks.
#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "platform/debug_trace.h"
#include "finder/finder_core.h"
#include "shell/finder_options.h"
#include "shell/list_command.h"
#include "shell/update_firmware_command.h"

int main(int argc, char** argv) {
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
      std::fprintf(stderr, "ravixfinder: the window of the finder is not part of this build; use --list\n\n%s",
                   FinderUsageText());
      return 2;
  }
}
