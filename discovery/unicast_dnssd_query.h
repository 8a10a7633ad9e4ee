#pragma once
// DNS-SD questions sent straight to one host's UDP port 5353 from an ordinary port (a
// "legacy unicast" query, RFC 6762 section 6.7): a responder on the same link answers
// it to the asking port even where switches or Wi-Fi drop multicast. Many hosts are
// asked at once from one socket, each under a query ID of its own; only answers from
// port 5353 with an asked ID are taken (a responder may answer from another of its
// addresses), and only records under the asked service type in local.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ravix {

// One service a host announced, as a multicast browse and resolve would give it.
struct UnicastService {
  uint32_t Address = 0;     // the host asked, network byte order
  std::string Name;         // instance name, unescaped ("ZV000101")
  std::string Type;         // "_http._tcp."
  std::string Domain;       // "local."
  std::string HostTarget;   // "zv000101.local."
  uint16_t Port = 0;        // host byte order
  std::vector<unsigned char> Txt;  // TXT rdata as sent
  bool HasSrv = false;
  bool HasTxt = false;
};

struct UnicastQueryLimits {
  std::chrono::milliseconds Timeout{1200};  // the whole exchange
  std::size_t MaxServicesPerHost = 16;
  const std::atomic<bool>* Cancel = nullptr;  // when set, the exchange ends early
};

// Asks every address for the services of type ("_http._tcp") in local., then asks for
// the SRV and TXT records a host's first answer left out. Returns the services with
// SRV and TXT whose host answered within the timeout.
std::vector<UnicastService> QueryUnicastDnssd(const std::vector<uint32_t>& addresses, const std::string& type,
                                              const UnicastQueryLimits& limits = {});

// The parts of a DNS message that belong to services of type in local. (exposed for the
// fuzz target and tests): adds what it finds for host address to services.
void ParseUnicastAnswer(const unsigned char* message, std::size_t length, uint32_t address, const std::string& type,
                        std::size_t maxServices, std::vector<UnicastService>& services);

}  // namespace ravix
