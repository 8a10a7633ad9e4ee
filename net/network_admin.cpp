#include "net/network_admin.h"

#include <arpa/inet.h>
#include <netlink/errno.h>
#include <sys/random.h>
#include <unistd.h>

#include <optional>

#include "net/arp_probe.h"
#include "net/ipv4_text.h"
#include "net/subnet_route.h"
#include "net/temporary_address.h"

namespace ravix {
namespace {

constexpr int kLinkLocalAttempts = 10;

AdminResult Refuse(AdminRefusal refusal, std::string message) {
  AdminResult r;
  r.Refusal = refusal;
  r.Message = std::move(message);
  return r;
}

AdminResult SystemFailure(const std::string& what, int err) {
  return Refuse(AdminRefusal::SystemError, what + ": " + nl_geterror(err));
}

struct CheckedRoute {
  uint32_t IfIndex = 0;
  AddressWithPrefix Subnet;
};

// The refusal of text as a host address "a.b.c.d/n"; none (value set) when it is one.
std::optional<AdminResult> RefuseHostAddress(const std::string& text, AddressWithPrefix& value) {
  if (!ParseAddressWithPrefix(text, value))
    return Refuse(AdminRefusal::BadAddress, "'" + text + "' is not an address a.b.c.d/n");
  std::string message;
  if (const AdminRefusal r = CheckHostAddress(value, message); r != AdminRefusal::None) return Refuse(r, message);
  return std::nullopt;
}

// The refusal of the adapter named name; none (ifIndex set) when it may be changed.
std::optional<AdminResult> RefuseAdapter(const NetlinkSocket& sock, const std::string& name, uint32_t& ifIndex) {
  std::string message;
  if (const AdminRefusal r = CheckAdapter(sock, name, ifIndex, message); r != AdminRefusal::None)
    return Refuse(r, message);
  return std::nullopt;
}

AdminResult CheckRoute(const NetlinkSocket& sock, const std::string& adapter, const std::string& subnetText,
                       CheckedRoute& out) {
  std::string message;
  if (!ParseAddressWithPrefix(subnetText, out.Subnet))
    return Refuse(AdminRefusal::BadAddress, "'" + subnetText + "' is not a subnet a.b.c.d/n");
  if (const AdminRefusal r = CheckSubnet(out.Subnet, message); r != AdminRefusal::None) return Refuse(r, message);
  if (auto refused = RefuseAdapter(sock, adapter, out.IfIndex)) return *refused;
  uint32_t net = 0, mask = 0;
  if (!AdapterSubnetOf(sock, out.IfIndex, out.Subnet.Address, net, mask) || net != out.Subnet.Address ||
      mask != MaskFromPrefix(out.Subnet.Prefix))
    return Refuse(AdminRefusal::NotAdapterSubnet,
                  "adapter '" + adapter + "' has no address in " + FormatAddressWithPrefix(out.Subnet));
  return {};
}

AdminResult FixRoutes(const std::vector<std::string>& args) {
  if (args.size() < 3 || (args.size() - 1) % 2 != 0)
    return Refuse(AdminRefusal::Usage, "route needs pairs of ADAPTER A.B.C.D/N");
  const NetlinkSocket sock;
  std::vector<CheckedRoute> routes;
  for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
    CheckedRoute route;
    if (AdminResult r = CheckRoute(sock, args[i], args[i + 1], route); !r.ok()) return r;
    routes.push_back(route);
  }
  for (const CheckedRoute& route : routes) {
    const int err = FixSubnetRoute(sock, route.Subnet.Address, MaskFromPrefix(route.Subnet.Prefix), route.IfIndex, {});
    if (err < 0) return SystemFailure("route " + FormatAddressWithPrefix(route.Subnet), err);
  }
  return {};
}

AddressWithPrefix RandomLinkLocal() {
  uint16_t r = 0;
  if (getrandom(&r, sizeof r, 0) != sizeof r) r = static_cast<uint16_t>(getpid());
  // 169.254.1.0 .. 169.254.254.255: 254 * 256 host addresses.
  const uint32_t host = 0xA9FE0100u + (r % (254u * 256u));
  return {htonl(host), 16};
}

// Probes and, when free, adds value; NotHostAddress etc. are checked by the caller.
AdminResult TakeAddress(const NetlinkSocket& sock, uint32_t ifIndex, const AddressWithPrefix& value) {
  AdapterAddressState state;
  if (const int err = FindAddress(sock, value.Address, state); err < 0) return SystemFailure("addresses", err);
  if (state.Present)
    return Refuse(AdminRefusal::AddressInUse, FormatIPv4(value.Address) + " is already an address of this PC");
  std::string message;
  switch (ProbeAddress(ifIndex, value.Address, message)) {
    case ProbeAnswer::InUse: return Refuse(AdminRefusal::AddressInUse, message);
    case ProbeAnswer::Failed: return Refuse(AdminRefusal::SystemError, message);
    case ProbeAnswer::Free: break;
  }
  if (const int err = PutTemporaryAddress(sock, ifIndex, value, kTemporaryAddressLifetime, false); err < 0)
    return SystemFailure("add " + FormatAddressWithPrefix(value), err);
  AnnounceAddress(ifIndex, value.Address);
  AdminResult done;
  done.Output = FormatAddressWithPrefix(value);
  return done;
}

AdminResult AddAddress(const std::vector<std::string>& args) {
  if (args.size() != 3) return Refuse(AdminRefusal::Usage, "add needs ADAPTER and A.B.C.D/N or link-local");
  const NetlinkSocket sock;
  const bool linkLocal = args[2] == kLinkLocalRequest;
  AddressWithPrefix value;
  if (!linkLocal)
    if (auto refused = RefuseHostAddress(args[2], value)) return *refused;
  uint32_t ifIndex = 0;
  if (auto refused = RefuseAdapter(sock, args[1], ifIndex)) return *refused;
  if (!linkLocal) return TakeAddress(sock, ifIndex, value);
  AdminResult last;
  for (int attempt = 0; attempt < kLinkLocalAttempts; ++attempt) {
    last = TakeAddress(sock, ifIndex, RandomLinkLocal());
    if (last.Refusal != AdminRefusal::AddressInUse) return last;
  }
  return last;
}

// renew and remove: only an address of ours on that adapter.
AdminResult ChangeAddress(const std::vector<std::string>& args, bool remove) {
  if (args.size() != 3) return Refuse(AdminRefusal::Usage, args[0] + " needs ADAPTER and A.B.C.D/N");
  const NetlinkSocket sock;
  AddressWithPrefix value;
  if (auto refused = RefuseHostAddress(args[2], value)) return *refused;
  uint32_t ifIndex = 0;
  if (auto refused = RefuseAdapter(sock, args[1], ifIndex)) return *refused;
  AdapterAddressState state;
  if (const int err = FindAddress(sock, value.Address, state); err < 0) return SystemFailure("addresses", err);
  if (!state.Present || state.IfIndex != ifIndex || state.Prefix != value.Prefix || !state.Temporary ||
      state.Permanent)
    return Refuse(AdminRefusal::NotTemporary,
                  FormatAddressWithPrefix(value) + " is not a temporary address of adapter '" + args[1] + "'");
  const int err = remove ? DeleteAddress(sock, ifIndex, value)
                         : PutTemporaryAddress(sock, ifIndex, value, kTemporaryAddressLifetime, true);
  if (err < 0) return SystemFailure(args[0] + " " + args[2], err);
  return {};
}

}  // namespace

AdminResult RunAdminCommand(const std::vector<std::string>& args) {
  if (args.empty()) return Refuse(AdminRefusal::Usage, "a command is needed: route, add, renew or remove");
  const std::string& command = args[0];
  if (command == "route") return FixRoutes(args);
  if (command == "add") return AddAddress(args);
  if (command == "renew") return ChangeAddress(args, false);
  if (command == "remove") return ChangeAddress(args, true);
  return Refuse(AdminRefusal::Usage, "unknown command '" + command + "'");
}

}  // namespace ravix
