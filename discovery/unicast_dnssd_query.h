#pragma once
// DNS-SD questions sent straight to one host's UDP port 5353 from an ordinary port (a
// "legacy unicast" query, RFC 6762 section 6.7): a responder on the same link answers
// it to the asking port even where switches or Wi-Fi drop multicast. Many hosts are
// asked at once from one socket, every question under a random ID of its own; an answer
// is taken only from port 5353 of the very address asked, under an ID asked there, when
// it repeats the question asked, and only its records under the asked service type in
// local. (A host that answers from another of its addresses is not heard: anybody on the
// path could send that answer.) What the records claim about the host's address is the
// caller's to show, never to contact.

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
// SRV and TXT whose host answered within the timeout; nothing for more than 16384
// addresses (four questions each must fit the 65536 IDs).
std::vector<UnicastService> QueryUnicastDnssd(const std::vector<uint32_t>& addresses, const std::string& type,
                                              const UnicastQueryLimits& limits = {});

// Whether a DNS message is an answer under id to the one question (name, type, class IN)
// asked, names compared without regard to case (exposed for the fuzz target and tests).
bool AnswersQuestion(const unsigned char* message, std::size_t length, uint16_t id, const std::string& name,
                     uint16_t type);

// The parts of a DNS message that belong to services of type in local. (exposed for the
// fuzz target and tests): adds what it finds for host address to services.
void ParseUnicastAnswer(const unsigned char* message, std::size_t length, uint32_t address, const std::string& type,
                        std::size_t maxServices, std::vector<UnicastService>& services);

}  // namespace ravix
