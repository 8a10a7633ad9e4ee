#include "discovery/mdns_change_listener.h"

#include <arpa/inet.h>
#include <avahi-common/domain.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

constexpr uint16_t kMdnsPort = 5353;
constexpr const char* kMdnsGroup = "224.0.0.251";
constexpr uint16_t kTypeTxt = 16;
constexpr uint16_t kTypeSrv = 33;
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxDatagram = 9000;  // the largest mDNS message
constexpr size_t kMaxNameBytes = 255;  // a name on the wire, length bytes and final zero included
constexpr int kMaxPointers = 64;  // compression pointers followed per name

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendLabel(std::string& key, const char* label, size_t length) {
  key.push_back(static_cast<char>(length));
  for (size_t i = 0; i < length; ++i) key.push_back(Lower(label[i]));
}

// Appends the labels of an escaped dotted text; false when one cannot be read.
bool AppendEscapedName(std::string& key, const std::string& text) {
  const char* cursor = text.c_str();
  while (*cursor != '\0') {
    char label[AVAHI_LABEL_MAX];
    if (avahi_unescape_label(&cursor, label, sizeof label) == nullptr) return false;
    const size_t length = std::char_traits<char>::length(label);
    if (length == 0) return false;
    AppendLabel(key, label, length);
  }
  return true;
}

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Walks the (possibly compressed) name at *pos, handing each label to `label`, and moves
// *pos behind it. A compression pointer must point before the part of the name that led
// to it, as a compressor writing earlier names does: no loop, no jump ahead into data not
// yet read. A name longer than the 255 bytes DNS allows, or one through more than 64
// pointers, is refused, so that a crafted chain of labels or pointers costs no more than
// a real name.
template <typename OnLabel>
bool WalkName(const uint8_t* data, size_t size, size_t* pos, OnLabel&& label) {
  size_t at = *pos;
  size_t segmentStart = at;
  size_t nameBytes = 1;  // the final zero
  bool jumped = false;
  for (int pointers = 0; at < size;) {
    const uint8_t length = data[at];
    if (length == 0) {
      if (!jumped) *pos = at + 1;
      return true;
    }
    if ((length & 0xC0) == 0xC0) {
      if (at + 1 >= size || ++pointers > kMaxPointers) return false;
      const size_t target = static_cast<size_t>(length & 0x3F) << 8 | data[at + 1];
      if (target >= segmentStart) return false;
      if (!jumped) *pos = at + 2;
      jumped = true;
      at = segmentStart = target;
      continue;
    }
    if ((length & 0xC0) != 0 || at + 1 + length > size) return false;
    nameBytes += 1 + length;
    if (nameBytes > kMaxNameBytes) return false;
    label(data + at + 1, length);
    at += 1 + length;
  }
  return false;
}

bool ReadName(const uint8_t* data, size_t size, size_t* pos, std::vector<std::string>* labels) {
  return WalkName(data, size, pos,
                  [labels](const uint8_t* label, size_t length) {
                    labels->emplace_back(reinterpret_cast<const char*>(label), length);
                  });
}

// The name key (see MdnsNameKey) of the name at pos, built in place.
bool ReadNameKey(const uint8_t* data, size_t size, size_t pos, std::string* key) {
  return WalkName(data, size, &pos, [key](const uint8_t* label, size_t length) {
    AppendLabel(*key, reinterpret_cast<const char*>(label), length);
  });
}

// Moves *pos behind the name there without reading where its pointer leads: questions
// only need to be stepped over.
bool SkipName(const uint8_t* data, size_t size, size_t* pos) {
  size_t at = *pos;
  while (at < size && at - *pos < kMaxNameBytes) {
    const uint8_t length = data[at];
    if (length == 0) {
      *pos = at + 1;
      return true;
    }
    if ((length & 0xC0) == 0xC0) {
      if (at + 1 >= size) return false;
      *pos = at + 2;
      return true;
    }
    if ((length & 0xC0) != 0) return false;
    at += 1 + length;
  }
  return false;
}

// Host name text as the resolve replies give it: escaped labels, final dot.
std::string HostText(const std::vector<std::string>& labels) {
  std::string text;
  for (const std::string& label : labels) {
    char escaped[AVAHI_LABEL_MAX * 4 + 1];
    char* out = escaped;
    size_t room = sizeof escaped;
    if (avahi_escape_label(label.data(), label.size(), &out, &room) == nullptr) return {};
    text += escaped;
    text += '.';
  }
  return text;
}

bool ReadRecord(const uint8_t* data, size_t size, size_t* pos, uint32_t interfaceIndex,
                const std::function<void(const MdnsServiceRecord&)>& record) {
  const size_t ownerPos = *pos;
  if (!SkipName(data, size, pos) || *pos + 10 > size) return false;
  const uint8_t* fixed = data + *pos;
  const uint16_t type = Read16(fixed);
  const uint32_t ttl = Read32(fixed + 4);
  const uint16_t length = Read16(fixed + 8);
  const size_t start = *pos + 10;
  if (start + length > size) return false;
  *pos = start + length;
  if (ttl == 0 || (type != kTypeTxt && type != kTypeSrv)) return true;  // goodbyes come by the browse
  MdnsServiceRecord found;
  if (!ReadNameKey(data, size, ownerPos, &found.nameKey)) return false;
  found.type = type;
  found.interfaceIndex = interfaceIndex;
  if (type == kTypeTxt) {
    found.txt.assign(reinterpret_cast<const char*>(data + start), length);
  } else {
    if (length < 7) return false;
    found.port = Read16(data + start + 4);
    size_t targetPos = start + 6;
    std::vector<std::string> target;
    if (!ReadName(data, size, &targetPos, &target) || targetPos > start + length) return false;
    found.target = HostText(target);
    if (found.target.empty()) return false;
  }
  record(found);
  return true;
}

}  // namespace

bool ReadMdnsName(const uint8_t* data, size_t size, size_t* pos, std::vector<std::string>* labels) {
  return ReadName(data, size, pos, labels);
}

std::string MdnsNameKey(const std::string& instance, const std::string& type, const std::string& domain) {
  if (instance.empty() || instance.size() > AVAHI_LABEL_MAX - 1) return {};
  std::string key;
  AppendLabel(key, instance.data(), instance.size());
  if (!AppendEscapedName(key, type) || !AppendEscapedName(key, domain)) return {};
  return key;
}

bool ParseMdnsResponse(const uint8_t* data, size_t size, uint32_t interfaceIndex,
                       const std::function<void(const MdnsServiceRecord&)>& record) {
  if (size < kHeaderSize) return false;
  const uint16_t flags = Read16(data + 2);
  if ((flags & 0x8000) == 0 || (flags & 0x000F) != 0) return false;  // a query, or an error
  const unsigned questions = Read16(data + 4);
  const unsigned records = Read16(data + 6) + Read16(data + 8) + Read16(data + 10);
  size_t pos = kHeaderSize;
  for (unsigned i = 0; i < questions; ++i) {
    if (!SkipName(data, size, &pos) || pos + 4 > size) return false;
    pos += 4;
  }
  for (unsigned i = 0; i < records; ++i)
    if (!ReadRecord(data, size, &pos, interfaceIndex, record)) return false;
  return true;
}

MdnsChangeListener::~MdnsChangeListener() {
  if (fd_ >= 0) close(fd_);
}

// Bound to the group address, the socket never takes a unicast datagram meant for the
// responder's own socket on the same port; with IP_MULTICAST_ALL (the kernel's default)
// it receives the group on every interface where the responder joined it.
bool MdnsChangeListener::Open(int receiveBufferBytes) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  const int one = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(kMdnsPort);
  inet_pton(AF_INET, kMdnsGroup, &address.sin_addr);
  const bool ok = setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0 &&
                  setsockopt(fd_, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one) == 0 &&
                  setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) == 0 &&
                  setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_ALL, &one, sizeof one) == 0 &&
                  bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (!ok) {
    const int error = errno;
    close(fd_);
    fd_ = -1;
    errno = error;
    return false;
  }
  setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
  return true;
}

bool MdnsChangeListener::Read(const std::function<void(const MdnsServiceRecord&)>& record, int maxDatagrams) {
  std::vector<uint8_t> buffer(kMaxDatagram);
  for (int read = 0; read < maxDatagrams;) {
    sockaddr_in from{};
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(fd_, &message, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;  // nothing more waiting
    ++read;
    if (ntohs(from.sin_port) != kMdnsPort || (message.msg_flags & MSG_TRUNC) != 0) continue;
    uint32_t interfaceIndex = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c))
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
        interfaceIndex = static_cast<uint32_t>(reinterpret_cast<const in_pktinfo*>(CMSG_DATA(c))->ipi_ifindex);
    ParseMdnsResponse(buffer.data(), static_cast<size_t>(got), interfaceIndex, record);
  }
  return true;
}
