#pragma once
// ravixfinder --update-firmware FILE --camera NAME ...: finds the named cameras (service
// name or serial number), opens them with stored credentials and updates them in
// parallel. Needs a QCoreApplication.

#include <iosfwd>

#include "finder/finder_core.h"
#include "shell/finder_options.h"

// Exit code: 0 when every camera was updated, 1 when one was not, 2 when the file is
// unusable or a camera is not found (nothing is then sent to any camera). outIsTerminal:
// out is a terminal, where the cameras' names in the progress and result lines show
// their control characters as \xNN (ravix::TerminalSafe); elsewhere they are exact.
int RunUpdateFirmwareCommand(const FinderOptions& options, CFinderCore& core, std::ostream& out, std::ostream& err,
                             bool outIsTerminal = false);
