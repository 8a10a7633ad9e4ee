#include "camera/trusted_origins.h"

#include <algorithm>

#include "net/address_block.h"

namespace {

std::string DomainKey(std::string domain) {
  while (!domain.empty() && domain.back() == '.') domain.pop_back();
  std::transform(domain.begin(), domain.end(), domain.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return domain;
}

}  // namespace

void CTrustedOrigins::Add(const std::vector<std::string>& domains, const std::vector<std::string>& addresses) {
  std::vector<uint32_t> parsed;
  for (const std::string& text : addresses) {
    std::vector<uint32_t> block;
    std::string error;
    if (ravix::ParseAddressBlock(text, block, error)) parsed.insert(parsed.end(), block.begin(), block.end());
  }
  std::lock_guard lock(lock_);
  addresses_.insert(parsed.begin(), parsed.end());
  for (const std::string& domain : domains) {
    std::string key = DomainKey(domain);
    if (!key.empty() && key != "local") domains_.insert(std::move(key));
  }
}

bool CTrustedOrigins::IsAskedAddress(uint32_t address) const {
  std::lock_guard lock(lock_);
  return addresses_.count(address) != 0;
}

bool CTrustedOrigins::IsBrowseDomain(const std::string& domain) const {
  const std::string key = DomainKey(domain);
  std::lock_guard lock(lock_);
  return domains_.count(key) != 0;
}
