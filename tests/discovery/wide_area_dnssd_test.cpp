// The lookups of a browse domain against the hostile DNS server (tests/discovery/
// hostile_dns_server) on loopback: forged answers under a wrong ID, from another address
// and for another question come before every honest one, and the honest ones carry
// unrelated records. Through the DNS-SD client calls, as the engine makes them.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "discovery/dnssd.h"
#include "discovery/wide_area_dnssd.h"

namespace {

// The server on 127.0.0.1:port, answering forged ones from 127.0.0.2; killed at the end.
class HostileDns {
 public:
  explicit HostileDns(int port) : port_(std::to_string(port)) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      execl(HOSTILE_DNS_SERVER, HOSTILE_DNS_SERVER, "--listen", "127.0.0.1", "--port", port_.c_str(), "--spoof-from",
            "127.0.0.2", "--domain", "evil.test", "--honest", "10.41.1.12", "--forged", "10.41.1.10",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    char ready[6] = {};
    ready_ = pid_ > 0 && read(out[0], ready, 5) == 5 && std::string(ready) == "ready";
    close(out[0]);
  }
  ~HostileDns() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  HostileDns(const HostileDns&) = delete;
  HostileDns& operator=(const HostileDns&) = delete;
  bool Ready() const { return ready_; }
  std::string Server() const { return "127.0.0.1:" + port_; }

 private:
  std::string port_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

struct Replies {
  std::vector<std::string> added;
  std::vector<std::string> removed;
  int resolves = 0;
  std::string host, txt;
  uint16_t port = 0;
  uint32_t address = 0;
};

void OnBrowse(DNSServiceRef, DNSServiceFlags flags, uint32_t, DNSServiceErrorType error, const char* name,
              const char*, const char*, void* context) {
  auto* r = static_cast<Replies*>(context);
  if (error != 0) return;
  ((flags & kDNSServiceFlagsAdd) != 0 ? r->added : r->removed).push_back(name);
}

void OnResolve(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error, const char*, const char* host,
               uint16_t port, uint16_t txtLength, const unsigned char* txt, void* context) {
  auto* r = static_cast<Replies*>(context);
  if (error != 0) return;
  ++r->resolves;
  r->host = host;
  r->port = ntohs(port);
  r->txt.assign(reinterpret_cast<const char*>(txt), txtLength);
  r->address = DNSServiceReplyAddress();
}

// Delivers the operation's replies for the given time.
void Pump(DNSServiceRef ref, std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{DNSServiceRefSockFD(ref), POLLIN, 0};
    if (poll(&p, 1, 20) > 0) {
      ASSERT_EQ(DNSServiceProcessResult(ref), 0);
    }
  }
}

TEST(WideAreaDnssd, BelievesOnlyTheAskedRecordsOfTheServerAskedUnderTheQuestionsID) {
  HostileDns server(20000 + getpid() % 20000);
  ASSERT_TRUE(server.Ready()) << "hostile_dns_server did not start";
  WideAreaDnssd::Timing timing;
  timing.QueryTimeoutMs = 400;
  WideAreaDnssd wideArea({server.Server()}, timing);
  std::string error;
  ASSERT_TRUE(wideArea.Start(error)) << error;
  DNSServiceSetWideAreaBackend(&wideArea);

  Replies browse;
  DNSServiceRef browseRef = nullptr;
  ASSERT_EQ(DNSServiceBrowse(&browseRef, 0, 0, "_http._tcp", "evil.test.", &OnBrowse, &browse), 0);
  Pump(browseRef, std::chrono::milliseconds(1200));
  EXPECT_EQ(browse.added, std::vector<std::string>{"cam1"}) << "forged, two-label or other domain's instance taken";
  EXPECT_TRUE(browse.removed.empty());

  Replies resolve;
  DNSServiceRef resolveRef = nullptr;
  ASSERT_EQ(DNSServiceResolve(&resolveRef, 0, 0, "cam1", "_http._tcp.", "evil.test", &OnResolve, &resolve), 0);
  Pump(resolveRef, std::chrono::milliseconds(1500));
  ASSERT_EQ(resolve.resolves, 1);
  EXPECT_EQ(resolve.host, "cam1.evil.test.");
  EXPECT_EQ(resolve.port, 80);
  EXPECT_NE(resolve.txt.find("serial.zorvnet=ZV555"), std::string::npos) << "another instance's TXT taken";
  char address[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &resolve.address, address, sizeof address);
  EXPECT_STREQ(address, "10.41.1.12") << "the additional section's or another host's address taken";
  EXPECT_EQ(DNSServiceReplyAddress(), 0u) << "outside a callback";

  DNSServiceRefDeallocate(resolveRef);
  DNSServiceRefDeallocate(browseRef);
  DNSServiceSetWideAreaBackend(nullptr);
  // Without the lookups a browse domain is refused, never handed to a responder.
  DNSServiceRef refused = nullptr;
  EXPECT_EQ(DNSServiceBrowse(&refused, 0, 0, "_http._tcp", "evil.test.", &OnBrowse, &browse),
            kDNSServiceErr_ServiceNotRunning);
}

}  // namespace
