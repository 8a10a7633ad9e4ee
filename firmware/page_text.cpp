#include "firmware/page_text.h"

#include <boost/regex.hpp>
#include <exception>

namespace {

// Whole-text, case-insensitive match; "." also matches line breaks. A pattern that runs
// out of its matching budget on a strange page counts as no match.
bool MatchWhole(const char* text, const boost::regex& pattern, boost::cmatch* groups = nullptr) {
  if (text == nullptr) return false;
  try {
    return groups != nullptr ? boost::regex_match(text, *groups, pattern) : boost::regex_match(text, pattern);
  } catch (const std::exception&) {
    return false;
  }
}

constexpr auto kFlags = boost::regex::perl | boost::regex::icase;

// A run of decimal digits as a number, saturated at limit.
unsigned DigitsValue(const std::string& digits, unsigned limit) {
  unsigned value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > limit) return limit;
  }
  return value;
}

}  // namespace

bool ReadRefresh(const char* page, Refresh& refresh, int maxDelaySeconds) {
  static const boost::regex kRefresh(".*?<meta\\s+http-equiv=\"refresh\"\\s+content=\"(\\d+);\\s+url=(/.*?)\">.*",
                                     kFlags);
  boost::cmatch groups;
  if (!MatchWhole(page, kRefresh, &groups)) return false;
  const unsigned delay = DigitsValue(groups[1].str(), 1000);
  refresh.delaySeconds = delay == 0 || delay > static_cast<unsigned>(maxDelaySeconds) ? maxDelaySeconds
                                                                                     : static_cast<int>(delay);
  refresh.path = groups[2].str();
  return true;
}

unsigned ReadShownPercent(const char* page) {
  static const boost::regex kPercent(".*?(\\d+)\\s*?[%].*", kFlags);
  boost::cmatch groups;
  if (!MatchWhole(page, kPercent, &groups)) return 0;
  return DigitsValue(groups[1].str(), 1000);
}

bool IsImageConfirmed(const char* page) {
  static const boost::regex kConfirmed(".*?\\sis matching\\s.*", kFlags);
  return MatchWhole(page, kConfirmed);
}

std::string ReadSessionArgument(const char* suffix) {
  static const boost::regex kSession(".*?&(session_id=[0-9a-f]+).*", kFlags);
  boost::cmatch groups;
  if (!MatchWhole(suffix, kSession, &groups)) return {};
  return groups[1].str();
}
