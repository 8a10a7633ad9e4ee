// The finder's command line: the input split at NUL bytes into the arguments.

#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/finder_options.h"

namespace {

bool IsClipboardSwitch(const std::string& arg) {
  for (const char* form : {"/clipboard", "-clipboard", "--clipboard"}) {
    if (strcasecmp(arg.c_str(), form) == 0) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"ravixfinder"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (size > 0) args.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);

  FinderOptions options;
  std::string error;
  if (!ParseFinderOptions(static_cast<int>(args.size()), argv.data(), options, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  using Mode = FinderOptions::Mode;
  if (options.seconds < 1 || options.seconds > 86400) std::abort();
  if (options.format != ListingFormat::Table && options.format != ListingFormat::Csv &&
      options.format != ListingFormat::Json)
    std::abort();
  if (options.clipboardMode && (args.size() < 2 || !IsClipboardSwitch(args.back()))) std::abort();
  if (options.mode == Mode::UpdateFirmware) {
    if (options.firmwareFile.empty() || options.cameras.empty()) std::abort();
    for (const std::string& camera : options.cameras) {
      if (camera.empty()) std::abort();
    }
  }
  if ((options.mode == Mode::Gui || options.mode == Mode::List) && !options.cameras.empty()) std::abort();
  if (options.mode == Mode::AssignAddresses && (options.planFile.empty() || !options.cameras.empty())) std::abort();
  if (options.dryRun && options.mode != Mode::AssignAddresses) std::abort();
  return 0;
}
