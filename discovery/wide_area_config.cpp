#include "discovery/wide_area_config.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace ravix {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool IsLabelChar(unsigned char c) { return std::isalnum(c) != 0 || c == '-' || c == '_'; }

}  // namespace

std::vector<std::string> ReadResolvConfServers(const std::string& path) {
  std::vector<std::string> servers;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword, address;
    if (!(words >> keyword >> address) || keyword != "nameserver") continue;
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) == 1) servers.push_back(address);
  }
  return servers;
}

bool NormaliseBrowseDomain(const std::string& text, std::string& domain, std::string& error) {
  std::string name = Trim(text);
  if (!name.empty() && name.back() == '.') name.pop_back();
  if (name.empty()) {
    error = "empty browse domain";
    return false;
  }
  if (name.size() > 253) {
    error = "browse domain longer than 253 characters";
    return false;
  }
  std::size_t labelLength = 0;
  for (const char c : name) {
    if (c == '.') {
      if (labelLength == 0) {
        error = "browse domain '" + name + "' has an empty label";
        return false;
      }
      labelLength = 0;
      continue;
    }
    if (!IsLabelChar(static_cast<unsigned char>(c))) {
      error = "browse domain has a character other than letters, digits, '-', '_' and '.'";
      return false;
    }
    if (++labelLength > 63) {
      error = "browse domain has a label longer than 63 characters";
      return false;
    }
  }
  if (Lower(name) == "local") {
    error = "local. is always browsed";
    return false;
  }
  domain = name + ".";
  return true;
}

}  // namespace ravix
