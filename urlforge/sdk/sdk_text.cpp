#include "urlforge/sdk/sdk_text.h"

#include <charconv>

#include "camera/camera_query.h"

namespace ravix {

std::string ToCameraText(const QString& text) { return text.toUtf8().toStdString(); }

QString FromCameraText(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool ParseWholeInt(const std::string& text, int& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-') ++begin;
  int parsed = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, parsed);
  if (begin == end || ec != std::errc() || ptr != end) return false;
  value = parsed;
  return true;
}

std::string EscapeUnsafeQueryBytes(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (c == '\0') {  // would end the helpers' text early
      escaped += "%00";
      continue;
    }
    const char single[2] = {c, '\0'};
    escaped += IsQuerySafeText(single) ? std::string(1, c) : EscapeQueryText(single);
  }
  return escaped;
}

}  // namespace ravix
