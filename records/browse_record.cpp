#include "records/browse_record.h"

#include "records/dnssd_full_name.h"

namespace {

std::string WithoutFinalDot(const char* text) {
  std::string stored = text != nullptr ? text : "";
  if (!stored.empty() && stored.back() == '.') stored.pop_back();
  return stored;
}

}  // namespace

bool CBrowseRecord::GetTxtValue(const char* key, std::string& value) const {
  if (key == nullptr) return false;
  const auto it = TxtRecord.find(key);
  if (it == TxtRecord.end()) return false;
  value = it->second;
  return true;
}

std::string CBrowseRecord::GetTxtValueOrEmpty(const char* key) const {
  std::string value;
  GetTxtValue(key, value);
  return value;
}

bool CBrowseRecord::AddTxtValue(const char* key, const char* value) {
  if (key == nullptr || value == nullptr) return false;
  return TxtRecord.Insert(key, value);
}

void CBrowseRecord::SetDomain(const char* domain) { Domain = WithoutFinalDot(domain); }

void CBrowseRecord::SetHostTarget(const char* host) { HostTarget = WithoutFinalDot(host); }

std::string CBrowseRecord::GetFullName() const { return ServiceName + "." + ServiceType + Domain; }

bool CBrowseRecord::MatchesFullName(const char* fullName) const {
  if (fullName == nullptr) return false;
  char composed[kFullNameBufferSize];
  if (DNSServiceConstructFullName(composed, ServiceName.c_str(), ServiceType.c_str(), Domain.c_str()) != 0)
    return false;
  return std::string(composed) == fullName;
}

bool CBrowseRecord::IsSameService(const CBrowseRecord& other) const {
  return ServiceName == other.ServiceName && ServiceType == other.ServiceType && Domain == other.Domain;
}
