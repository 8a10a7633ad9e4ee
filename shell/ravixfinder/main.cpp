// ravixfinder: finds the maker's cameras on the local networks.
#include <cstdio>
#include <cstring>

#include "platform/debug_trace.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: ravixfinder [--trace] [--help] [--version]\n"
               "\n"
               "Zorvik IP Camera Finder. Finds the cameras on this PC's networks by DNS-SD.\n"
               "The graphical finder and the --list and --update-firmware commands are\n"
               "being built; this program prints its usage until then.\n"
               "\n"
               "  --trace     write trace lines to standard error (also RAVIXFINDER_TRACE=1)\n"
               "  --help      show this text\n"
               "  --version   show the version\n");
}

}  // namespace

int main(int argc, char** argv) {
  ravix::InitTraceFromEnvironment();
  ravix::TakeTraceOption(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("ravixfinder %s\n", RAVIX_VERSION);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--help") != 0) {
    std::fprintf(stderr, "ravixfinder: unknown option '%s'\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
  }
  PrintUsage(stdout);
  return 0;
}
