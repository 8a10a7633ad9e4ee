#pragma once
// The few changes to the PC's network the finder may need, each checked in full before
// anything changes: the route fix for adapters' subnets, a temporary address on an
// adapter (after an ARP probe that it is free), and its renewal and removal. The
// privileged helper program is a thin shell around RunAdminCommand; the finder calls
// the same function in process when it holds CAP_NET_ADMIN.
//
// Commands (arguments as the helper takes them):
//   route ADAPTER A.B.C.D/N [ADAPTER A.B.C.D/N ...]   route fix for each adapter subnet
//   add ADAPTER A.B.C.D/N | add ADAPTER link-local      temporary address; prints it
//   renew ADAPTER A.B.C.D/N                             lifetime of a temporary address again
//   remove ADAPTER A.B.C.D/N                            deletes a temporary address

#include <string>
#include <vector>

#include "net/admin_checks.h"

namespace ravix {

constexpr const char* kLinkLocalRequest = "link-local";

struct AdminResult {
  AdminRefusal Refusal = AdminRefusal::None;
  std::string Message;  // one line: why it was refused or failed
  std::string Output;   // "add": the address taken, "a.b.c.d/n"
  bool ok() const { return Refusal == AdminRefusal::None; }
};

AdminResult RunAdminCommand(const std::vector<std::string>& args);

}  // namespace ravix
