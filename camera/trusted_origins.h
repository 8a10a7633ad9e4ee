#pragma once
// CTrustedOrigins: what the user asked the finder to search beyond the link, kept so that
// stored credentials go to those places and no others: the added addresses (single
// addresses, ranges and blocks) and the browse domains. Filled from the settings and
// from every search started; read from any thread.

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CTrustedOrigins {
 public:
  // Adds browse domains (with or without the final dot) and address entries (texts
  // ParseAddressBlock takes; unusable ones are skipped: they are refused elsewhere).
  void Add(const std::vector<std::string>& domains, const std::vector<std::string>& addresses);

  // Whether address (network byte order) lies in an added entry.
  bool IsAskedAddress(uint32_t address) const;
  // Whether domain (final dot and letter case ignored) is a browse domain.
  bool IsBrowseDomain(const std::string& domain) const;

 private:
  mutable std::mutex lock_;
  std::set<uint32_t> addresses_;
  std::set<std::string> domains_;  // lower case, without the final dot
};
