// Address plan files: any bytes are parsed into a plan whose rows keep the promises the
// apply relies on, or refused with faults that name a line of the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "net/ipv4_text.h"
#include "plan/address_plan.h"
#include "plan/address_range.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ravix::AddressPlan plan;
  std::vector<ravix::PlanError> errors;
  const bool ok = ravix::ParseAddressPlan(text, plan, errors);
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n' ? 1 : 0;
  if (!ok) {
    if (errors.empty() || !plan.rows.empty()) std::abort();
    for (const ravix::PlanError& error : errors) {
      if (error.line > lines || ravix::FormatPlanError(error).empty()) std::abort();
    }
    return 0;
  }
  if (!errors.empty() || plan.rows.empty()) std::abort();
  std::set<std::string> serials, macs, addresses;
  for (const ravix::PlanRow& row : plan.rows) {
    if (row.serial.empty() && row.mac.empty()) std::abort();
    if (!row.serial.empty() && !serials.insert(row.serial).second) std::abort();
    if (!row.mac.empty() && (row.mac.size() != 17 || !macs.insert(row.mac).second)) std::abort();
    if (row.address) {
      uint32_t parsed = 0;
      if (!ravix::ParseIPv4(*row.address, parsed) || !addresses.insert(*row.address).second) std::abort();
      if (row.dhcp == true) std::abort();
    }
    if (row.prefix && (*row.prefix < 1 || *row.prefix > 32)) std::abort();
    if (row.hostName && !ravix::HostNameProblem(*row.hostName).empty()) std::abort();
    // A serial from the plan in a host name pattern never breaks the expansion.
    std::string name, error;
    ravix::ExpandHostPattern(row.serial + "{n}", {1, row.serial, row.mac}, 3, 20, name, error);
  }
  return 0;
}
