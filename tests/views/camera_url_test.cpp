// The camera URL: its form, and control characters from the network percent-encoded.
#include "views/camera_url.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using views::CameraURL;
using views::EncodeControlCharacters;

TEST(CameraURL, FormWithAndWithoutPort) {
  EXPECT_EQ(CameraURL("cam1.local.", 0, ""), "http://cam1.local./");
  EXPECT_EQ(CameraURL("10.0.0.5", 80, "/index.html"), "http://10.0.0.5:80/index.html");
  EXPECT_EQ(CameraURL("10.0.0.5", 65535, "x?a=1%20b"), "http://10.0.0.5:65535/x?a=1%20b");  // "%" stays
}

// What a camera advertises as its path or host never moves the URL to another host: the
// path always starts a path, and a host name keeps no user, port or path delimiter.
TEST(CameraURL, NetworkTextNeverChangesTheHost) {
  EXPECT_EQ(CameraURL("10.0.0.5", 0, "@evil.example/"), "http://10.0.0.5/@evil.example/");
  EXPECT_EQ(CameraURL("10.0.0.5", 8080, "@evil.example/x"), "http://10.0.0.5:8080/@evil.example/x");
  EXPECT_EQ(CameraURL("10.0.0.5", 0, ".evil.example/"), "http://10.0.0.5/.evil.example/");
  EXPECT_EQ(CameraURL("10.0.0.5", 0, "//evil.example/"), "http://10.0.0.5//evil.example/");
  EXPECT_EQ(CameraURL("user@evil.example", 0, "/"), "http://user%40evil.example/");
  EXPECT_EQ(CameraURL("evil.example/x?", 0, "/"), "http://evil.example%2Fx%3F/");
  EXPECT_EQ(CameraURL("evil.example:81#", 0, "/"), "http://evil.example%3A81%23/");
  EXPECT_EQ(CameraURL("a\\b c", 0, "/"), "http://a%5Cb%20c/");
}

TEST(CameraURL, ControlCharactersAreEncodedEverywhereAndNothingElse) {
  std::string every;
  for (int c = 0; c < 0x20; ++c) every += static_cast<char>(c);
  every += '\x7f';
  std::string expected;
  for (int c = 0; c < 0x20; ++c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    expected += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  expected += "%7F";
  EXPECT_EQ(EncodeControlCharacters(every), expected);
  const std::string printable = " !\"#%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~\x80\xc3\xa9\xff";
  EXPECT_EQ(EncodeControlCharacters(printable), printable);
  // A line break in the path or the host never reaches the URL.
  EXPECT_EQ(CameraURL("cam\n1", 8080, "/a\r\nGET /b\0c"), "http://cam%0A1:8080/a%0D%0AGET /b");
  EXPECT_EQ(CameraURL("h", 0, std::string("/\0x", 3)), "http://h/%00x");
}

}  // namespace
