#pragma once
// The finder's window lives in a module of its own (ravixfinder-window.so) that the
// program loads only to open the window, so that the command-line modes never load Qt
// Widgets, Qt GUI and the libraries they bring in (about 6 MB of a listing's memory).

#include "shell/finder_options.h"

// The module's one entry: runs the window until it closes and returns the exit code.
// trace: whether tracing was switched on (the module keeps its own trace switch).
using RavixFinderRunWindowFunction = int(int argc, char** argv, const FinderOptions* options, bool trace);
inline constexpr char kRavixFinderRunWindowSymbol[] = "RavixFinderRunWindow";
inline constexpr char kRavixFinderWindowModuleName[] = "ravixfinder-window.so";
