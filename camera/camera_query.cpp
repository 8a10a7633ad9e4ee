#include "camera/camera_query.h"

#include <boost/regex.hpp>
#include <cstring>

namespace {

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string EscapeQueryText(const char* text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  if (text == nullptr) return escaped;
  const std::size_t length = std::strlen(text);
  escaped.reserve(length * 3);
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsAsciiAlnum(c)) {
      escaped.push_back(static_cast<char>(c));
      continue;
    }
    escaped.push_back('%');
    escaped.push_back(kHex[c >> 4]);
    escaped.push_back(kHex[c & 0x0F]);
  }
  return escaped;
}

std::string BuildQuery(const char* name, const char* const* items) {
  std::string query = name != nullptr ? name : "";
  std::size_t count = 0;
  for (; items != nullptr && items[count] != nullptr; ++count) {
    query += (count % 2 == 0) ? '&' : '=';
    query += EscapeQueryText(items[count]);
  }
  if (count % 2 != 0) return std::string();
  return query;
}

bool IsQuerySafeText(const char* text) {
  if (text == nullptr) return false;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c <= 0x20 || c >= 0x7F) return false;  // controls, space, DEL, bytes from 0x80
    if (std::strchr("&=#?%+", c) != nullptr) return false;
  }
  return true;
}

CameraResult ParseParamLine(const char* text, std::string& exceptionText, std::string& returnValue) {
  if (text == nullptr) return CamMissingText;
  // Case-sensitive; "." also matches line feeds.
  static const boost::regex kLine("(\\w*)_[0-9]+=(.*?)\\n*$", boost::regex::perl);
  boost::cmatch match;
  if (!boost::regex_match(text, match, kLine, boost::match_default)) return CamUnexpectedResponse;
  const std::string key = match.str(1);
  const std::string value = match.str(2);
  exceptionText.clear();
  returnValue.clear();
  if (key == "Return") {
    returnValue = value;
  } else if (key == "Exception") {
    exceptionText = value;
  }
  return CamOk;
}
