#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/mdns_change_listener.h"

namespace {

std::string Name(std::initializer_list<std::string> labels) {
  std::string wire;
  for (const std::string& label : labels) wire += static_cast<char>(label.size()) + label;
  return wire + '\0';
}

std::string U16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }

std::string Record(const std::string& owner, uint16_t type, uint32_t ttl, const std::string& data) {
  return owner + U16(type) + U16(0x8001) + U16(static_cast<uint16_t>(ttl >> 16)) +
         U16(static_cast<uint16_t>(ttl & 0xFFFF)) + U16(static_cast<uint16_t>(data.size())) + data;
}

std::string Message(uint16_t flags, uint16_t questions, uint16_t answers, const std::string& body) {
  return U16(0) + U16(flags) + U16(questions) + U16(answers) + U16(0) + U16(0) + body;
}

std::vector<MdnsServiceRecord> Parse(const std::string& message, bool* ok = nullptr) {
  std::vector<MdnsServiceRecord> found;
  const bool parsed = ParseMdnsResponse(reinterpret_cast<const uint8_t*>(message.data()), message.size(), 7,
                                        [&](const MdnsServiceRecord& r) { found.push_back(r); });
  if (ok != nullptr) *ok = parsed;
  return found;
}

const std::string kService = Name({"Cam 1", "_http", "_tcp", "local"});

// A response as a camera sends it after a change: the new TXT and SRV, the SRV's target
// compressed against the owner name of an earlier record, beside records of other types
// and a goodbye.
TEST(MdnsChangeListener, ResponsesGiveTheServicesTxtAndSrvUnderTheNameKey) {
  const std::string txt = std::string("\x05" "a=1.2") + "\x06" "path=/";
  const std::string host = Name({"cam-1", "local"});
  std::string body = Record(host, 1, 120, "\x0a\x01\x02\x03");  // the A record owns offset 12
  body += Record(kService, 16, 4500, txt);
  body += Record(kService, 33, 120, U16(0) + U16(0) + U16(8080) + "\xC0\x0C");
  body += Record(kService, 16, 0, "\x03" "x=1");  // a goodbye is the browse's business
  bool ok = false;
  const auto found = Parse(Message(0x8400, 0, 4, body), &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].type, 16);
  EXPECT_EQ(found[0].txt, txt);
  EXPECT_EQ(found[0].interfaceIndex, 7u);
  EXPECT_EQ(found[1].type, 33);
  EXPECT_EQ(found[1].port, 8080);
  EXPECT_EQ(found[1].target, "cam-1.local.");
  // the key ignores case, and instance names keep their dots and blanks as one label
  EXPECT_EQ(found[0].nameKey, MdnsNameKey("cAM 1", "_HTTP._tcp", "Local"));
  EXPECT_NE(found[0].nameKey, MdnsNameKey("Cam 1.x", "_http._tcp", "local"));
  EXPECT_EQ(MdnsNameKey("Cam.1", "_http._tcp", "local"), std::string("\x05" "cam.1" "\x05" "_http\x04" "_tcp\x05" "local"));
  EXPECT_TRUE(MdnsNameKey("", "_http._tcp", "local").empty());
}

// Known answers in a query are other hosts' cached copies: never taken as a change. Bad
// datagrams from the network end the parsing without reading outside the message.
TEST(MdnsChangeListener, QueriesAndMalformedMessagesGiveNothingWrong) {
  const std::string knownAnswer = Record(kService, 16, 4500, "\x05" "a=old");
  EXPECT_TRUE(Parse(Message(0x0000, 0, 1, knownAnswer)).empty());
  EXPECT_TRUE(Parse(Message(0x8403, 0, 1, knownAnswer)).empty());  // error code
  EXPECT_TRUE(Parse(std::string("\x00\x00\x84", 3)).empty());

  bool ok = true;
  const std::string loop = Message(0x8400, 0, 1, std::string("\xC0\x0C", 2) + U16(16) + U16(1) + U16(0) + U16(10) +
                                                     U16(0));
  EXPECT_TRUE(Parse(loop, &ok).empty());  // a name pointing at itself
  EXPECT_FALSE(ok);
  const std::string beyond = Message(0x8400, 0, 1, std::string("\xC3\xFF", 2));
  EXPECT_TRUE(Parse(beyond, &ok).empty());
  EXPECT_FALSE(ok);
  std::string shortData = Message(0x8400, 0, 1, Record(kService, 16, 4500, "\x05" "a=new"));
  shortData.resize(shortData.size() - 2);  // rdata runs past the end
  EXPECT_TRUE(Parse(shortData, &ok).empty());
  EXPECT_FALSE(ok);
  const std::string tinySrv = Message(0x8400, 0, 1, Record(kService, 33, 120, U16(0) + U16(0)));
  EXPECT_TRUE(Parse(tinySrv, &ok).empty());
  EXPECT_FALSE(ok);
  // a record count larger than the records: those present count, then it stops
  const auto some = Parse(Message(0x8400, 0, 3, Record(kService, 16, 4500, "\x05" "a=new")), &ok);
  EXPECT_FALSE(ok);
  ASSERT_EQ(some.size(), 1u);
  EXPECT_EQ(some[0].txt, "\x05" "a=new");
}

// A name of n one-byte labels ("a"), uncompressed, with its final zero.
std::string Chain(size_t n) {
  std::string wire;
  for (size_t i = 0; i < n; ++i) wire += std::string("\x01" "a");
  return wire + '\0';
}

std::string Pointer(size_t offset) { return U16(static_cast<uint16_t>(0xC000 | offset)); }

// The datagram seen on a hostile network: 2,246 one-byte labels and 749 questions that
// point into them, 9 KB in all. Read label by label it would make 1.7 million strings.
std::string AmplificationDatagram() {
  constexpr size_t kLabels = 2246;
  constexpr size_t kQuestions = 749;
  std::string body = Chain(kLabels) + U16(16) + U16(1);
  for (size_t i = 1; i < kQuestions; ++i) body += Pointer(12 + 2 * (i % kLabels)) + U16(16) + U16(1);
  return Message(0x8400, kQuestions, 0, body);
}

// Names are read only as far as DNS allows them: at most 255 bytes, pointers only back to
// what came before. A datagram built to make the parser work hard is refused at its first
// question, and questions pointing anywhere are stepped over without being followed.
TEST(MdnsChangeListener, CraftedNamesCostNoMoreThanRealOnes) {
  const std::string flood = AmplificationDatagram();
  EXPECT_GT(flood.size(), 8900u);
  EXPECT_LE(flood.size(), 9000u);
  bool ok = true;
  EXPECT_TRUE(Parse(flood, &ok).empty());
  EXPECT_FALSE(ok);
  std::vector<std::string> labels;
  size_t pos = 12 + 2 * 2246 + 1 + 4;  // the second question: a pointer into the chain
  EXPECT_FALSE(ReadMdnsName(reinterpret_cast<const uint8_t*>(flood.data()), flood.size(), &pos, &labels));

  // Questions pointing forward into a chain carried by a later record are not followed;
  // the camera's TXT record behind them still counts.
  const std::string txt = "\x05" "a=1.2";
  std::string questions;
  const size_t chainAt = 12 + 700 * 6 + kService.size() + 10;  // the rdata of the first record
  for (int i = 0; i < 700; ++i) questions += Pointer(chainAt + static_cast<size_t>(i % 100)) + U16(16) + U16(1);
  const std::string records = Record(kService, 10, 120, Chain(2000)) + Record(kService, 16, 4500, txt);
  const auto found = Parse(Message(0x8400, 700, 2, questions + records), &ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].txt, txt);

  // 255 bytes on the wire is the longest name: 127 labels of one byte and the final zero
  const auto owned = [&](const std::string& owner) {
    return Parse(Message(0x8400, 0, 1, Record(owner, 16, 4500, txt)), &ok);
  };
  ASSERT_EQ(owned(Chain(127)).size(), 1u);
  EXPECT_EQ(owned(Chain(127))[0].nameKey.size(), 254u);
  EXPECT_TRUE(owned(std::string("\x02" "ab") + Chain(126)).empty());  // 256 bytes
  EXPECT_FALSE(ok);
  // ... also when the length is reached through a pointer
  const std::string head = Record(Chain(100), 1, 120, "\x0a\x01\x02\x03");
  const std::string viaPointer = Chain(27).substr(0, 54) + Pointer(12);  // 54 + 201 = 255 bytes
  EXPECT_EQ(Parse(Message(0x8400, 0, 2, head + Record(viaPointer, 16, 4500, txt)), &ok).size(), 1u);
  const std::string tooLong = Chain(28).substr(0, 56) + Pointer(12);  // 257 bytes
  EXPECT_TRUE(Parse(Message(0x8400, 0, 2, head + Record(tooLong, 16, 4500, txt)), &ok).empty());
  EXPECT_FALSE(ok);

  // A pointer forward, or back into the name it belongs to, is refused.
  const std::string later = Name({"cam-9", "local"});
  const std::string forwardOwner = Pointer(12 + 2 + 10 + 6);  // at "local" in its own rdata
  EXPECT_TRUE(Parse(Message(0x8400, 0, 1, Record(forwardOwner, 16, 4500, later)), &ok).empty());
  EXPECT_FALSE(ok);
  const std::string backIntoItself = std::string("\x03" "cam") + Pointer(12);
  EXPECT_TRUE(Parse(Message(0x8400, 0, 1, Record(backIntoItself, 16, 4500, txt)), &ok).empty());
  EXPECT_FALSE(ok);
  labels.clear();
  pos = 0;
  const std::string ring = std::string("\x01" "a") + Pointer(0);
  EXPECT_FALSE(ReadMdnsName(reinterpret_cast<const uint8_t*>(ring.data()), ring.size(), &pos, &labels));
  // A chain of pointers, each to the one before, is followed 64 deep and no further.
  const auto pointerChain = [](size_t hops) {
    std::string wire = Name({"local"});
    for (size_t i = 0; i < hops; ++i) wire += Pointer(i == 0 ? 0 : 7 + 2 * (i - 1));
    return wire;
  };
  for (const size_t hops : {size_t{64}, size_t{65}}) {
    const std::string chain = pointerChain(hops);
    labels.clear();
    pos = chain.size() - 2;
    EXPECT_EQ(ReadMdnsName(reinterpret_cast<const uint8_t*>(chain.data()), chain.size(), &pos, &labels), hops == 64);
  }
}

}  // namespace
