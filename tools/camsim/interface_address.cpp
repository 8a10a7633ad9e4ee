#include "tools/camsim/interface_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netlink/route/addr.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>

namespace camsim {

namespace {

struct SocketDeleter {
  void operator()(nl_sock* sock) const { nl_socket_free(sock); }
};
struct AddrDeleter {
  void operator()(rtnl_addr* addr) const { rtnl_addr_put(addr); }
};
struct NlAddrDeleter {
  void operator()(nl_addr* addr) const { nl_addr_put(addr); }
};

bool Change(bool add, unsigned ifIndex, const std::string& address, int prefix, std::string& error) {
  std::unique_ptr<nl_sock, SocketDeleter> sock(nl_socket_alloc());
  if (!sock || nl_connect(sock.get(), NETLINK_ROUTE) != 0) {
    error = "no netlink socket";
    return false;
  }
  nl_addr* parsed = nullptr;
  const std::string text = address + "/" + std::to_string(prefix);
  if (nl_addr_parse(text.c_str(), AF_INET, &parsed) != 0) {
    error = "bad address " + text;
    return false;
  }
  std::unique_ptr<nl_addr, NlAddrDeleter> local(parsed);
  std::unique_ptr<rtnl_addr, AddrDeleter> entry(rtnl_addr_alloc());
  rtnl_addr_set_ifindex(entry.get(), static_cast<int>(ifIndex));
  rtnl_addr_set_family(entry.get(), AF_INET);
  rtnl_addr_set_local(entry.get(), local.get());
  rtnl_addr_set_prefixlen(entry.get(), prefix);
  const int rc = add ? rtnl_addr_add(sock.get(), entry.get(), NLM_F_REPLACE) : rtnl_addr_delete(sock.get(), entry.get(), 0);
  if (rc != 0) {
    error = std::string(add ? "adding " : "removing ") + text + ": " + nl_geterror(rc);
    return false;
  }
  return true;
}

// Without it, removing an interface's primary address removes every other address of
// its subnet, i.e. the other simulated cameras.
void PromoteSecondaries(unsigned ifIndex) {
  char name[IF_NAMESIZE] = {};
  if (if_indextoname(ifIndex, name) == nullptr) return;
  std::ofstream(std::string("/proc/sys/net/ipv4/conf/") + name + "/promote_secondaries") << "1\n";
}

}  // namespace

bool InOwnNetworkNamespace() {
  // A namespace made by "ip netns add" (as the lab makes them) is bound under /run/netns.
  struct stat self {};
  if (stat("/proc/self/ns/net", &self) != 0) return false;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
    struct stat bound {};
    if (stat(entry.path().c_str(), &bound) == 0 && bound.st_ino == self.st_ino && bound.st_dev == self.st_dev) return true;
  }
  return false;
}

unsigned InterfaceOfAddress(const std::string& address) {
  in_addr wanted {};
  if (inet_pton(AF_INET, address.c_str(), &wanted) != 1) return 0;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return 0;
  unsigned index = 0;
  for (ifaddrs* a = list; a != nullptr && index == 0; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    if (reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr == wanted.s_addr) index = if_nametoindex(a->ifa_name);
  }
  freeifaddrs(list);
  return index;
}

bool AddInterfaceAddress(unsigned ifIndex, const std::string& address, int prefix, std::string& error) {
  if (!InOwnNetworkNamespace()) {
    error = "not in a network namespace of its own: the machine's interfaces stay as they are";
    return false;
  }
  return Change(true, ifIndex, address, prefix, error);
}

bool RemoveInterfaceAddress(unsigned ifIndex, const std::string& address, int prefix, std::string& error) {
  if (!InOwnNetworkNamespace()) {
    error = "not in a network namespace of its own: the machine's interfaces stay as they are";
    return false;
  }
  PromoteSecondaries(ifIndex);
  return Change(false, ifIndex, address, prefix, error);
}

}  // namespace camsim
