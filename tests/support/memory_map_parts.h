#pragma once
// MemoryMapParts: where a process's resident memory lies, from the text of its
// /proc/PID/smaps: shared libraries and the program file, the main heap, glibc's malloc
// arenas of other threads (64 MiB-aligned anonymous heaps), thread stacks (anonymous
// mappings right after a guard page) and other anonymous memory. For the memory
// benchmarks, which print it beside their peak.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct MemoryMapParts {
  double filesKiB = 0;    // libraries, the program, locale and other mapped files
  double fileCleanKiB = 0;  // of filesKiB: pages as read from the files (not written since)
  double heapKiB = 0;     // [heap]: the main malloc arena
  double arenasKiB = 0;   // malloc arenas of other threads
  int arenas = 0;
  double stacksKiB = 0;   // thread stacks, the main one included
  int stacks = 0;
  double otherKiB = 0;    // other anonymous mappings (large allocations, library data)
  std::vector<std::pair<std::string, double>> biggestFiles;  // by file name, biggest first

  double TotalKiB() const { return filesKiB + heapKiB + arenasKiB + stacksKiB + otherKiB; }
  // What the process itself holds: everything but the clean file pages.
  double OwnKiB() const { return TotalKiB() - fileCleanKiB; }

  static MemoryMapParts FromSmaps(const std::string& smaps, std::size_t biggest = 6);
  // Lines "parts: ...", the clean and own memory, and "biggest files: ..." with the given indent.
  void Print(std::FILE* out, const char* indent = "  ") const;
};
