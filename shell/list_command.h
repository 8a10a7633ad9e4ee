#pragma once
// ravixfinder --list: discovers and completes cameras for a while, then prints them.
// Needs a QCoreApplication (the engine posts its notifications as Qt events).

#include <cstdio>

#include "finder/finder_core.h"
#include "shell/finder_options.h"

// The --domain, --dns-server and --address values joined to the settings' lists.
void AddReachOptions(const FinderOptions& options, SettingsBlock& settings);

// Exit code: 0 after printing, 1 when discovery could not start. Messages go to err.
int RunListCommand(const FinderOptions& options, CFinderCore& core, std::FILE* out, std::FILE* err);
