#include "shell/finder_options.h"

#include <strings.h>

#include <charconv>
#include <string_view>

#include "discovery/wide_area_config.h"
#include "net/address_block.h"
#include "net/admin_checks.h"
#include "net/ipv4_text.h"

namespace {

bool IsClipboardSwitch(std::string_view arg) {
  for (std::string_view prefix : {"--", "-", "/"}) {
    if (arg.size() == prefix.size() + 9 && arg.substr(0, prefix.size()) == prefix &&
        strncasecmp(arg.data() + prefix.size(), "clipboard", 9) == 0)
      return true;
  }
  return false;
}

bool ParseSeconds(std::string_view text, int& seconds) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 86400) return false;
  seconds = value;
  return true;
}

bool SetMode(FinderOptions& options, FinderOptions::Mode mode, std::string_view arg, std::string& error) {
  if (options.mode != FinderOptions::Mode::Gui && options.mode != mode) {
    error = "'" + std::string(arg) + "' cannot be combined with another command";
    return false;
  }
  options.mode = mode;
  return true;
}

// --domain, --address and --dns-server: each value is checked here, so that a typing
// mistake is named before any discovery starts.
bool TakeReachOption(std::string_view arg, const char* value, FinderOptions& options, std::string& error) {
  const std::string text = value != nullptr ? value : "";
  if (arg == "--domain") {
    std::string domain;
    if (value == nullptr || !ravix::NormaliseBrowseDomain(text, domain, error)) {
      error = "--domain: " + (value == nullptr ? std::string("needs a DNS domain, e.g. cameras.example.net") : error);
      return false;
    }
    options.domains.push_back(domain);
    return true;
  }
  if (arg == "--address") {
    std::vector<uint32_t> addresses;
    if (value == nullptr || !ravix::ParseAddressBlock(text, addresses, error)) {
      error = "--address: " + (value == nullptr ? std::string("needs an address, a.b.c.d-e or a.b.c.d/n") : error);
      return false;
    }
    options.addresses.push_back(text);
    return true;
  }
  uint32_t address = 0;
  if (value == nullptr || !ravix::ParseIPv4(text, address)) {
    error = "--dns-server needs the IPv4 address of a DNS server";
    return false;
  }
  options.dnsServers.push_back(text);
  return true;
}

// ADAPTER or ADAPTER=A.B.C.D/N, checked as the network helper checks it.
bool TakeTemporaryAddress(const char* value, FinderOptions& options, std::string& error) {
  const std::string text = value != nullptr ? value : "";
  const std::size_t equals = text.find('=');
  FinderOptions::TemporaryAddress entry{text.substr(0, equals),
                                        equals == std::string::npos ? std::string() : text.substr(equals + 1)};
  if (!ravix::IsAdapterName(entry.Adapter)) {
    error = "--temporary-address needs ADAPTER or ADAPTER=A.B.C.D/N ('" + entry.Adapter + "' is not an adapter name)";
    return false;
  }
  if (equals != std::string::npos) {
    ravix::AddressWithPrefix address;
    std::string why;
    if (!ravix::ParseAddressWithPrefix(entry.Address, address)) {
      error = "--temporary-address: '" + entry.Address + "' is not an address a.b.c.d/n";
      return false;
    }
    if (ravix::CheckHostAddress(address, why) != ravix::AdminRefusal::None) {
      error = "--temporary-address: " + why;
      return false;
    }
  }
  options.temporaryAddresses.push_back(entry);
  return true;
}

}  // namespace

bool ParseFinderOptions(int argc, const char* const* argv, FinderOptions& options, std::string& error) {
  options = FinderOptions{};
  if (argc > 1 && IsClipboardSwitch(argv[argc - 1])) {
    options.clipboardMode = true;
    --argc;
  }
  using Mode = FinderOptions::Mode;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      options.mode = Mode::Help;
      return true;
    }
    if (arg == "--version") {
      options.mode = Mode::Version;
      return true;
    }
    if (arg == "--list") {
      if (!SetMode(options, Mode::List, arg, error)) return false;
    } else if (arg == "--all") {
      options.all = true;
    } else if (arg == "--seconds") {
      if (!hasValue || !ParseSeconds(argv[++i], options.seconds)) {
        error = "--seconds needs a whole number of seconds from 1 to 86400";
        return false;
      }
    } else if (arg == "--format") {
      if (!hasValue || !ParseListingFormat(argv[++i], options.format)) {
        error = "--format needs one of table, csv, json";
        return false;
      }
    } else if (arg == "--update-firmware") {
      if (!SetMode(options, Mode::UpdateFirmware, arg, error)) return false;
      if (!hasValue || argv[i + 1][0] == '\0') {
        error = "--update-firmware needs the firmware file";
        return false;
      }
      options.firmwareFile = argv[++i];
    } else if (arg == "--assign-addresses") {
      if (!SetMode(options, Mode::AssignAddresses, arg, error)) return false;
      if (!hasValue || argv[i + 1][0] == '\0') {
        error = "--assign-addresses needs the address plan (a CSV file)";
        return false;
      }
      options.planFile = argv[++i];
    } else if (arg == "--dry-run") {
      options.dryRun = true;
    } else if (arg == "--camera") {
      if (!hasValue || argv[i + 1][0] == '\0') {
        error = "--camera needs a camera's service name or serial number";
        return false;
      }
      options.cameras.emplace_back(argv[++i]);
    } else if (arg == "--temporary-address") {
      if (!TakeTemporaryAddress(hasValue ? argv[++i] : nullptr, options, error)) return false;
    } else if (arg == "--domain" || arg == "--address" || arg == "--dns-server") {
      if (!TakeReachOption(arg, hasValue ? argv[++i] : nullptr, options, error)) return false;
    } else {
      error = "unknown option '" + std::string(arg) + "'";
      return false;
    }
  }
  if (options.mode == Mode::UpdateFirmware && options.cameras.empty()) {
    error = "--update-firmware needs at least one --camera NAME";
    return false;
  }
  if (options.mode != Mode::List && options.mode != Mode::UpdateFirmware && options.mode != Mode::AssignAddresses &&
      !options.temporaryAddresses.empty()) {
    error = "--temporary-address is only used with --list, --update-firmware and --assign-addresses";
    return false;
  }
  if (options.mode != Mode::UpdateFirmware && !options.cameras.empty()) {
    error = "--camera is only used with --update-firmware";
    return false;
  }
  if (options.mode != Mode::AssignAddresses && options.dryRun) {
    error = "--dry-run is only used with --assign-addresses";
    return false;
  }
  return true;
}

const char* FinderUsageText() {
  return "Usage: ravixfinder [REACH] [--trace] [/clipboard]\n"
         "       ravixfinder --list [--seconds N] [--all] [--format table|csv|json] [REACH] [TEMP] [--trace]\n"
         "       ravixfinder --update-firmware FILE --camera NAME [--camera NAME ...] [REACH] [TEMP] [--trace]\n"
         "       ravixfinder --assign-addresses PLAN.csv [--dry-run] [--seconds N] [REACH] [TEMP] [--trace]\n"
         "       ravixfinder --help | --version\n"
         "\n"
         "Zorvik IP Camera Finder: finds the Zorvik IP cameras on this PC's networks by DNS-SD.\n"
         "\n"
         "  --list             discover for N seconds (default 5), complete every camera\n"
         "                     (address, route, MAC, network settings) and print one row each\n"
         "  --all              with --list, also other \"_http._tcp\" services\n"
         "  --format F         table (default), csv or json\n"
         "  --seconds N        with --list: how long to discover (default 5); with\n"
         "                     --update-firmware or --assign-addresses: the longest wait\n"
         "                     for the named cameras\n"
         "  --update-firmware FILE\n"
         "                     update the firmware of the named cameras in parallel\n"
         "  --camera NAME      a camera by service name or serial number (repeatable)\n"
         "  --assign-addresses PLAN.csv\n"
         "                     give the cameras of an address plan their network settings:\n"
         "                     preview, apply in parallel, results (docs/address-plans.md)\n"
         "  --dry-run          with --assign-addresses: print the preview, send nothing\n"
         "REACH, cameras beyond this PC's links (each repeatable, added to the settings' lists):\n"
         "  --domain DOMAIN    also browse this DNS domain (wide-area DNS-SD), e.g. cameras.example.net\n"
         "  --dns-server A     DNS server for the browse domains (default: the system's)\n"
         "  --address A        also look for cameras at A: an address, a.b.c.d-e or a block up to /22\n"
         "TEMP, first contact with cameras in no subnet of this PC (repeatable):\n"
         "  --temporary-address ADAPTER[=A.B.C.D/N]\n"
         "                     give ADAPTER this address\n"
         "                     (a free link-local 169.254.x.y/16 without one) for this run,\n"
         "                     after an ARP probe that it is free; removed at the end, and it\n"
         "                     expires after an hour should the finder die (repeatable)\n"
         "  --trace            write trace lines to standard error (also RAVIXFINDER_TRACE=1)\n"
         "  /clipboard         as the last argument: copy the URL of the chosen camera and exit\n"
         "                     with code 100 (the URL is also written to standard output)\n"
         "  --help, --version  this text, the version\n"
         "\n"
         "Only stored credentials are used from the command line; nothing is prompted.\n";
}
