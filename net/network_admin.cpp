#include "net/network_admin.h"

#include <arpa/inet.h>
#include <netlink/errno.h>
#include <sys/random.h>
#include <unistd.h>

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

AdminResult CheckRoute(const NetlinkSocket& sock, const std::string& adapter, const std::string& subnetText,
                       CheckedRoute& out) {
  std::string message;
  if (!ParseAddressWithPrefix(subnetText, out.Subnet))
    return Refuse(AdminRefusal::BadAddress, "'" + subnetText + "' is not a subnet a.b.c.d/n");
  if (const AdminRefusal r = CheckSubnet(out.Subnet, message); r != AdminRefusal::None) return Refuse(r, message);
  if (const AdminRefusal r = CheckAdapter(sock, adapter, out.IfIndex, message); r != AdminRefusal::None)
    return Refuse(r, message);
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
  std::string message;
  const bool linkLocal = args[2] == kLinkLocalRequest;
  AddressWithPrefix value;
  if (!linkLocal) {
    if (!ParseAddressWithPrefix(args[2], value))
      return Refuse(AdminRefusal::BadAddress, "'" + args[2] + "' is not an address a.b.c.d/n");
    if (const AdminRefusal r = CheckHostAddress(value, message); r != AdminRefusal::None) return Refuse(r, message);
  }
  uint32_t ifIndex = 0;
  if (const AdminRefusal r = CheckAdapter(sock, args[1], ifIndex, message); r != AdminRefusal::None)
    return Refuse(r, message);
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
  std::string message;
  AddressWithPrefix value;
  if (!ParseAddressWithPrefix(args[2], value))
    return Refuse(AdminRefusal::BadAddress, "'" + args[2] + "' is not an address a.b.c.d/n");
  if (const AdminRefusal r = CheckHostAddress(value, message); r != AdminRefusal::None) return Refuse(r, message);
  uint32_t ifIndex = 0;
  if (const AdminRefusal r = CheckAdapter(sock, args[1], ifIndex, message); r != AdminRefusal::None)
    return Refuse(r, message);
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
