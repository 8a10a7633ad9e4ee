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

}  // namespace
