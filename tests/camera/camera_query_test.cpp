// Query texts of the camera's CGI interfaces and the parameter-answer line.
#include <gtest/gtest.h>

#include <string>

#include "camera/camera_query.h"

namespace {

TEST(EscapeQueryText, OnlyLettersAndDigitsStay) {
  EXPECT_EQ(EscapeQueryText("Admin09xyz"), "Admin09xyz");
  EXPECT_EQ(EscapeQueryText(".-_~ "), "%2E%2D%5F%7E%20");
  EXPECT_EQ(EscapeQueryText("a&b=c"), "a%26b%3Dc");
  EXPECT_EQ(EscapeQueryText("\xE4\x7F\x01"), "%E4%7F%01");
  EXPECT_EQ(EscapeQueryText(""), "");
  EXPECT_EQ(EscapeQueryText(nullptr), "");
}

TEST(BuildQuery, PairsAreJoinedAndEscaped) {
  const char* login[] = {"username", "ad min", "password", "p&w=1", nullptr};
  EXPECT_EQ(BuildQuery("Login", login), "Login&username=ad%20min&password=p%26w%3D1");
  const char* none[] = {nullptr};
  EXPECT_EQ(BuildQuery("Logout", none), "Logout");
  EXPECT_EQ(BuildQuery("Logout", nullptr), "Logout");
  // A key without value (also a null value, which ends the list) empties everything.
  const char* odd[] = {"username", "admin", "password", nullptr};
  EXPECT_EQ(BuildQuery("Login", odd), "");
  const char* nullValue[] = {"username", nullptr, "password", "secret", nullptr};
  EXPECT_EQ(BuildQuery("Login", nullValue), "");
  const std::string longValue(3000, 'v');
  const char* big[] = {"k", longValue.c_str(), nullptr};
  EXPECT_EQ(BuildQuery("N", big), "N&k=" + longValue);
}

TEST(IsQuerySafeText, RefusesWhatWouldChangeTheQuery) {
  for (const char* safe : {"Network.IPAddress", "-5", "192.168.1.10", "a_b:c/d", ""}) {
    EXPECT_TRUE(IsQuerySafeText(safe)) << safe;
  }
  for (const char* unsafe : {"a&b", "a=b", "a#b", "a?b", "a%26", "a+b", "a b", "a\tb", "a\nb", "a\x7f",
                             "caf\xC3\xA9", "1&Action_1=Global.Reset.SetValue"}) {
    EXPECT_FALSE(IsQuerySafeText(unsafe)) << unsafe;
  }
  EXPECT_FALSE(IsQuerySafeText(nullptr));
}

TEST(ParseParamLine, ReturnExceptionAndOtherKeys) {
  std::string exception = "old";
  std::string value = "old";
  EXPECT_EQ(ParseParamLine("Return_0=192.168.1.10\n\n", exception, value), CamOk);
  EXPECT_EQ(value, "192.168.1.10");
  EXPECT_EQ(exception, "");

  EXPECT_EQ(ParseParamLine("Exception_3=Parameter not found", exception, value), CamOk);
  EXPECT_EQ(exception, "Parameter not found");
  EXPECT_EQ(value, "");

  EXPECT_EQ(ParseParamLine("Other_1=x\n", exception, value), CamOk);
  EXPECT_EQ(exception, "");
  EXPECT_EQ(value, "");

  // Group 1 is the longest run still followed by "_digits=".
  EXPECT_EQ(ParseParamLine("Return_1_2=v", exception, value), CamOk);
  EXPECT_EQ(value, "");
  EXPECT_EQ(ParseParamLine("Return_7=", exception, value), CamOk);
  EXPECT_EQ(value, "");
}

TEST(ParseParamLine, SeveralLinesMakeOneValue) {
  std::string exception;
  std::string value;
  EXPECT_EQ(ParseParamLine("Return_0=a\nReturn_1=b\n", exception, value), CamOk);
  EXPECT_EQ(value, "a\nReturn_1=b");
}

TEST(ParseParamLine, CaseAndFormAreStrict) {
  std::string exception = "keep";
  std::string value = "keep";
  for (const char* bad : {"", "\n", "Return0=x", "Return_=x", "Return_a=x", "garbage", "RETURN_0"}) {
    EXPECT_EQ(ParseParamLine(bad, exception, value), CamUnexpectedResponse) << bad;
  }
  EXPECT_EQ(value, "keep");
  EXPECT_EQ(exception, "keep");
  EXPECT_EQ(ParseParamLine(nullptr, exception, value), CamMissingText);
  // A differently cased key is just another key.
  EXPECT_EQ(ParseParamLine("RETURN_0=x", exception, value), CamOk);
  EXPECT_EQ(value, "");
}

}  // namespace
