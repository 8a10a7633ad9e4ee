#pragma once
// Command line of ravixfinder.

#include <string>
#include <vector>

#include "shell/camera_listing.h"

struct FinderOptions {
  enum class Mode { Gui, List, UpdateFirmware, AssignAddresses, Help, Version };
  Mode mode = Mode::Gui;
  int seconds = 5;        // --list: how long discovery and completion run
  bool all = false;       // --list: also services without the vendor key
  ListingFormat format = ListingFormat::Table;
  std::string firmwareFile;          // --update-firmware FILE
  std::vector<std::string> cameras;  // --camera NAME (service name or serial), repeatable
  std::string planFile;              // --assign-addresses PLAN.csv
  bool dryRun = false;               // --dry-run: preview only
  bool clipboardMode = false;        // last argument /clipboard, -clipboard or --clipboard
  std::vector<std::string> domains;     // --domain DOMAIN: browse domains beside local. (normalised)
  std::vector<std::string> addresses;   // --address A: address, a.b.c.d-e or CIDR block up to /22
  std::vector<std::string> dnsServers;  // --dns-server A: DNS servers for the browse domains
  // --temporary-address ADAPTER[=A.B.C.D/N]: an address added for this run (link-local
  // when Address is empty), removed at its end.
  struct TemporaryAddress {
    std::string Adapter;
    std::string Address;
  };
  std::vector<TemporaryAddress> temporaryAddresses;
};

// Parses argv (the --trace option is taken out before). On a bad command line returns
// false with a message naming the fault in error.
bool ParseFinderOptions(int argc, const char* const* argv, FinderOptions& options, std::string& error);

const char* FinderUsageText();
