#include "camera/camera_query.h"

#include <boost/regex.hpp>
#include <cstring>
#include <stdexcept>

#include "platform/wipe_text.h"

namespace {

// Whole-text match; a matcher that gives up on a pathological text counts as no match.
template <class Text, class Match>
bool MatchWhole(const Text& text, Match& match, const boost::regex& pattern) {
  try {
    return boost::regex_match(text, match, pattern);
  } catch (const std::runtime_error&) {
    return false;
  }
}

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
  // Items may be credentials: the text is reserved once so that no reallocation leaves
  // copies behind, and the escaped pieces are wiped after use.
  std::size_t size = name != nullptr ? std::strlen(name) : 0;
  std::size_t count = 0;
  for (; items != nullptr && items[count] != nullptr; ++count) size += 1 + 3 * std::strlen(items[count]);
  if (count % 2 != 0) return std::string();
  std::string query;
  query.reserve(size);
  query = name != nullptr ? name : "";
  for (std::size_t i = 0; i < count; ++i) {
    query += (i % 2 == 0) ? '&' : '=';
    std::string escaped = EscapeQueryText(items[i]);
    query += escaped;
    WipeText(escaped);
  }
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
  if (!MatchWhole(text, match, kLine)) return CamUnexpectedResponse;
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

namespace {

// Splits an answer into lines that keep their "\n"; a last line without one counts too.
std::vector<std::string> AnswerLines(const char* text) {
  std::vector<std::string> lines;
  const char* p = text;
  while (*p != '\0') {
    const char* end = std::strchr(p, '\n');
    const char* next = end != nullptr ? end + 1 : p + std::strlen(p);
    lines.emplace_back(p, next);
    p = next;
  }
  return lines;
}

}  // namespace

CameraResult ParseGetValuesAnswer(const char* text, std::size_t expectedCount, std::vector<std::string>& values) {
  values.clear();
  if (text == nullptr) return CamMissingText;
  for (const std::string& line : AnswerLines(text)) {
    std::string exceptionText;
    std::string returnValue;
    const CameraResult parsed = ParseParamLine(line.c_str(), exceptionText, returnValue);
    if (parsed != CamOk || !exceptionText.empty()) {
      values.clear();
      return parsed != CamOk ? parsed : CamCameraException;
    }
    values.push_back(returnValue);
  }
  if (values.size() != expectedCount) {
    values.clear();
    return CamFailed;
  }
  return CamOk;
}

CameraResult ParseLoginAnswer(const char* text, std::string& sessionId) {
  if (text == nullptr) return CamFailed;
  static const boost::regex kSession(".+?session_id:\\s+'([0-9a-f]+)'.+?", boost::regex::perl | boost::regex::icase);
  boost::cmatch match;
  if (!MatchWhole(text, match, kSession)) return CamFailed;
  sessionId = match.str(1);
  return CamOk;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" decoded; a "%" without two hex digits after it stays as it is. The input is wiped.
std::string PercentDecoded(std::string text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) {
      decoded.push_back(text[i]);
      continue;
    }
    decoded.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  WipeText(text);
  return decoded;
}

}  // namespace

bool SplitUrlCredentials(std::string& url, std::string& user, std::string& password) {
  static const boost::regex kCredentialUrl("^(http://)([^:@]*):([^:@]*)@(.+)$",
                                           boost::regex::perl | boost::regex::icase);
  boost::smatch match;
  if (!MatchWhole(url, match, kCredentialUrl)) return false;
  user = PercentDecoded(match.str(2));
  password = PercentDecoded(match.str(3));
  std::string stripped = match.str(1) + match.str(4);
  match = boost::smatch();
  WipeText(url);
  url = std::move(stripped);
  return true;
}
