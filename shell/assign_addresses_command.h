#pragma once
// ravixfinder --assign-addresses PLAN.csv [--dry-run]: reads an address plan, discovers
// and completes the cameras it names, prints the preview, applies it (unless --dry-run)
// with stored credentials only, prints the results and waits for the changed cameras to
// be announced at their planned addresses. Needs a QCoreApplication.

#include <iosfwd>

#include "finder/finder_core.h"
#include "shell/finder_options.h"

constexpr int kAssignAllDone = 0;     // every planned camera has its settings
constexpr int kAssignSomeFailed = 1;  // a camera failed, was not sent or not found
constexpr int kAssignBadPlan = 2;     // the plan is unusable (or discovery cannot start); nothing sent

// outIsTerminal: out is a terminal (camera texts show control characters as \xNN).
int RunAssignAddressesCommand(const FinderOptions& options, CFinderCore& core, std::ostream& out, std::ostream& err,
                              bool outIsTerminal);
