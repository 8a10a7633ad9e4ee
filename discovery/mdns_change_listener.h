#pragma once
// Hears the mDNS answers that reach this host (IPv4) without asking anything: a socket on
// the mDNS group address and port takes a copy of every multicast datagram the host
// accepts, so one listener follows the TXT and SRV records of any number of services
// whose lookups have ended. Query packets are ignored: their known answers are other
// hosts' cached copies, not the services' own word.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct MdnsServiceRecord {
  // The owner name as DNS labels, each prefixed by its length byte and in lower case
  // (ASCII); see MdnsNameKey.
  std::string nameKey;
  uint16_t type = 0;  // 16 TXT, 33 SRV
  uint32_t interfaceIndex = 0;
  std::string txt;  // TXT: the raw length-prefixed entries
  uint16_t port = 0;  // SRV, host byte order
  std::string target;  // SRV: the host name, labels escaped, with its final dot
};

// The key of a name given as an instance label (raw bytes) and dot-separated, escaped
// type and domain texts ("_http._tcp", "local"). Empty when a text cannot be parsed.
std::string MdnsNameKey(const std::string& instance, const std::string& type, const std::string& domain);

// Reads the (possibly compressed) name at *pos of a DNS message into its labels and moves
// *pos behind it; false when it is malformed, runs outside the message, is longer than
// 255 bytes or has a compression pointer that does not point back before it.
bool ReadMdnsName(const uint8_t* data, size_t size, size_t* pos, std::vector<std::string>* labels);

// Calls `record` for every TXT and SRV record with a non-zero TTL in the answer, authority
// and additional sections of an mDNS response; false for anything else or a malformed one.
// Questions are stepped over, and only the names of the records handed on are read.
bool ParseMdnsResponse(const uint8_t* data, size_t size, uint32_t interfaceIndex,
                       const std::function<void(const MdnsServiceRecord&)>& record);

class MdnsChangeListener {
 public:
  MdnsChangeListener() = default;
  ~MdnsChangeListener();
  MdnsChangeListener(const MdnsChangeListener&) = delete;
  MdnsChangeListener& operator=(const MdnsChangeListener&) = delete;

  // Opens the socket in the calling thread's network namespace; false (errno kept) when
  // it cannot be opened or bound.
  bool Open(int receiveBufferBytes);
  int Descriptor() const { return fd_; }
  // Reads the datagrams waiting, at most maxDatagrams, and hands the service records of
  // the responses on; true when it stopped at the limit (more may be waiting).
  bool Read(const std::function<void(const MdnsServiceRecord&)>& record, int maxDatagrams);

 private:
  int fd_ = -1;
};
