// A DNS server for the lab that tries to make the finder believe what nobody asked for.
// It serves one honest camera "cam1" in its domain (PTR, SRV to cam1.<domain>, TXT, A =
// the honest address) and, before every honest answer, sends forged ones naming a camera
// "forged" at the forged address: one under a wrong ID, one from another address
// (--spoof-from), one for another question. The honest answer itself carries unrelated
// records: a PTR of another domain, a two-label instance, the SRV of "forged", and in
// the additional section an A record giving cam1's host the forged address. Its TXT
// record claims the forged address as well (a camera's word, never contacted).
//
//   hostile_dns_server --listen ADDR [--port N] --spoof-from ADDR --domain D --honest ADDR --forged ADDR
//
// Writes "ready" and then one line per query to standard output; runs until killed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Packet = std::vector<unsigned char>;

void PutName(Packet& p, const std::string& name) {
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t dot = name.find('.', start);
    if (dot == std::string::npos) dot = name.size();
    p.push_back(static_cast<unsigned char>(dot - start));
    p.insert(p.end(), name.begin() + static_cast<long>(start), name.begin() + static_cast<long>(dot));
    start = dot + 1;
  }
  p.push_back(0);
}

void Put16(Packet& p, unsigned v) {
  p.push_back(static_cast<unsigned char>(v >> 8));
  p.push_back(static_cast<unsigned char>(v));
}

struct Record {
  std::string owner;
  unsigned type;
  Packet rdata;
};

Packet NameData(const std::string& name) {
  Packet d;
  PutName(d, name);
  return d;
}

Packet SrvData(const std::string& host, unsigned port) {
  Packet d = {0, 0, 0, 0};
  Put16(d, port);
  PutName(d, host);
  return d;
}

Packet TxtData(const std::vector<std::string>& entries) {
  Packet d;
  for (const std::string& e : entries) {
    d.push_back(static_cast<unsigned char>(e.size()));
    d.insert(d.end(), e.begin(), e.end());
  }
  return d;
}

Packet AData(const std::string& address) {
  Packet d(4);
  inet_pton(AF_INET, address.c_str(), d.data());
  return d;
}

Packet Message(unsigned id, const std::string& qname, unsigned qtype, const std::vector<Record>& answers,
               const std::vector<Record>& additional) {
  Packet p;
  Put16(p, id);
  Put16(p, 0x8400);  // answer, authoritative
  Put16(p, 1);
  Put16(p, static_cast<unsigned>(answers.size()));
  Put16(p, 0);
  Put16(p, static_cast<unsigned>(additional.size()));
  PutName(p, qname);
  Put16(p, qtype);
  Put16(p, 1);
  for (const auto* section : {&answers, &additional}) {
    for (const Record& r : *section) {
      PutName(p, r.owner);
      Put16(p, r.type);
      Put16(p, 1);
      Put16(p, 0);
      Put16(p, 60);
      Put16(p, static_cast<unsigned>(r.rdata.size()));
      p.insert(p.end(), r.rdata.begin(), r.rdata.end());
    }
  }
  return p;
}

// The question of a query: name in presentation form (lower case) and type.
bool Question(const unsigned char* q, std::size_t length, std::string& name, unsigned& type) {
  std::size_t i = 12;
  name.clear();
  while (i < length && q[i] != 0) {
    const std::size_t label = q[i];
    if (label > 63 || i + 1 + label >= length) return false;
    if (!name.empty()) name += '.';
    for (std::size_t k = 0; k < label; ++k) name += static_cast<char>(std::tolower(q[i + 1 + k]));
    i += label + 1;
  }
  if (i + 5 > length) return false;
  type = (q[i + 1] << 8) | q[i + 2];
  return true;
}

struct Options {
  std::string listen, port = "53", spoofFrom, domain, honest, forged;
};

enum : unsigned { kA = 1, kPtr = 12, kTxt = 16, kSrv = 33 };

// What the forged answers say for a question: the camera "forged" at the forged address.
std::vector<Record> Forged(const Options& o, const std::string& qname, unsigned qtype) {
  const std::string service = "_http._tcp." + o.domain;
  const std::string forged = "forged." + service;
  switch (qtype) {
    case kPtr: return {{qname, kPtr, NameData(forged)}};
    case kSrv: return {{qname, kSrv, SrvData("forged." + o.domain, 80)}};
    case kTxt: return {{qname, kTxt, TxtData({"vendor.zorvnet=Zorvik", "serial.zorvnet=ZVFORGED"})}};
    case kA: return {{qname, kA, AData(o.forged)}};
    default: return {};
  }
}

// The honest answer with the unrelated records beside it.
void Honest(const Options& o, const std::string& qname, unsigned qtype, std::vector<Record>& answers,
            std::vector<Record>& additional) {
  const std::string service = "_http._tcp." + o.domain;
  const std::string cam = "cam1." + service;
  const std::string host = "cam1." + o.domain;
  if (qtype == kPtr && qname == service) {
    answers.push_back({service, kPtr, NameData(cam)});
    answers.push_back({service, kPtr, NameData("two.labels." + service)});
    answers.push_back({"_http._tcp.other.test", kPtr, NameData("planted._http._tcp.other.test")});
  } else if (qtype == kSrv && qname == cam) {
    answers.push_back({"forged." + service, kSrv, SrvData("forged." + o.domain, 80)});
    answers.push_back({cam, kSrv, SrvData(host, 80)});
    additional.push_back({host, kA, AData(o.forged)});
  } else if (qtype == kTxt && qname == cam) {
    answers.push_back({"forged." + service, kTxt, TxtData({"vendor.zorvnet=Zorvik", "serial.zorvnet=ZVFORGED"})});
    answers.push_back({cam, kTxt,
                       TxtData({"vendor.zorvnet=Zorvik", "serial.zorvnet=ZV555", "ipv4-net.zorvnet=" + o.forged})});
  } else if (qtype == kA && qname == host) {
    answers.push_back({"other." + o.domain, kA, AData(o.forged)});
    answers.push_back({host, kA, AData(o.honest)});
  }
}

int Bind(const std::string& address, unsigned port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<uint16_t>(port));
  if (fd < 0 || inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1 ||
      bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
    std::perror(address.c_str());
    return -1;
  }
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  const std::map<std::string, std::string*> names = {{"--listen", &o.listen},
                                                     {"--port", &o.port},
                                                     {"--spoof-from", &o.spoofFrom},
                                                     {"--domain", &o.domain},
                                                     {"--honest", &o.honest},
                                                     {"--forged", &o.forged}};
  for (int i = 1; i + 1 < argc; i += 2) {
    const auto it = names.find(argv[i]);
    if (it == names.end()) return 2;
    *it->second = argv[i + 1];
  }
  if (o.listen.empty() || o.spoofFrom.empty() || o.domain.empty() || o.honest.empty() || o.forged.empty()) return 2;
  const int fd = Bind(o.listen, static_cast<unsigned>(std::stoul(o.port)));
  const int spoof = Bind(o.spoofFrom, 0);
  if (fd < 0 || spoof < 0) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  unsigned char query[1500];
  for (;;) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    std::string qname;
    unsigned qtype = 0;
    if (got < 12 || !Question(query, static_cast<std::size_t>(got), qname, qtype)) continue;
    const unsigned id = (query[0] << 8) | query[1];
    std::printf("query %s %u\n", qname.c_str(), qtype);
    std::fflush(stdout);
    const auto send = [&](int socket, const Packet& p) {
      sendto(socket, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    };
    const std::vector<Record> forged = Forged(o, qname, qtype);
    send(fd, Message(id ^ 0x5A5Au, qname, qtype, forged, {}));                            // a wrong ID
    send(spoof, Message(id, qname, qtype, forged, {}));                                   // another address
    send(fd, Message(id, "forged._http._tcp." + o.domain, qtype, forged, {}));            // another question
    std::vector<Record> answers, additional;
    Honest(o, qname, qtype, answers, additional);
    send(fd, Message(id, qname, qtype, answers, additional));
  }
}
