// What a camera's HTTP interface answers: parameter lines, GetValue answers, login
// answers, headers; and the texts the client builds from user input (URL credentials,
// query escaping, IPv4 addresses).

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "camera/camera_query.h"
#include "http/curl_request.h"
#include "net/ipv4_text.h"

namespace {

void CheckParamAnswers(const std::string& text) {
  std::string exceptionText = "x";
  std::string returnValue = "y";
  const CameraResult line = ParseParamLine(text.c_str(), exceptionText, returnValue);
  if (line == CamOk && !exceptionText.empty() && !returnValue.empty()) std::abort();

  const std::size_t expected = text.empty() ? 0 : static_cast<unsigned char>(text[0]) % 8;
  std::vector<std::string> values{"stale"};
  const CameraResult all = ParseGetValuesAnswer(text.c_str(), expected, values);
  if (all == CamOk ? values.size() != expected : !values.empty()) std::abort();

  std::string session = "untouched";
  if (ParseLoginAnswer(text.c_str(), session) != CamOk) {
    if (session != "untouched") std::abort();
  } else {
    for (char c : session)
      if (!std::isxdigit(static_cast<unsigned char>(c))) std::abort();
  }
}

void CheckUrlCredentials(const std::string& text) {
  std::string url = text;
  std::string user = "u";
  std::string password = "p";
  if (!SplitUrlCredentials(url, user, password)) {
    if (url != text || user != "u" || password != "p") std::abort();
    return;
  }
  if (strncasecmp(url.c_str(), "http://", 7) != 0) std::abort();
  // "%XX" in user and password is decoded: then they may hold ":" or "@", and only shrink.
  if (url.size() + user.size() + password.size() + 2 > text.size()) std::abort();
  if (text.find('%') != std::string::npos) return;
  if (user.find_first_of(":@") != std::string::npos || password.find_first_of(":@") != std::string::npos) std::abort();
  if (url.size() + user.size() + password.size() + 2 != text.size()) std::abort();
}

void CheckEscaping(const std::string& text) {
  const std::string escaped = EscapeQueryText(text.c_str());
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const auto c = static_cast<unsigned char>(escaped[i]);
    if (std::isalnum(c) && c < 0x80) continue;
    if (c != '%' || i + 2 >= escaped.size() || !std::isxdigit(static_cast<unsigned char>(escaped[i + 1])) ||
        !std::isxdigit(static_cast<unsigned char>(escaped[i + 2])))
      std::abort();
    i += 2;
  }
}

void CheckAddress(const std::string& text) {
  uint32_t address = 0x01020304;
  if (!ravix::ParseIPv4(text, address)) {
    if (address != 0x01020304) std::abort();
    return;
  }
  uint32_t again = 0;
  if (!ravix::ParseIPv4(ravix::FormatIPv4(address), again) || again != address) std::abort();
}

void CheckHeaders(const std::string& text) {
  CCurlRequest request;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    if (request.OnHeader(text.data() + start, 1, end - start) != end - start) std::abort();
    start = end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string cString = text.c_str();  // what a NUL-terminated answer buffer holds
  CheckParamAnswers(cString);
  CheckUrlCredentials(cString);
  CheckEscaping(cString);
  CheckAddress(text);
  CheckHeaders(text);
  return 0;
}
