#include "records/dnssd_full_name.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

void AppendEscapedInstance(std::string& out, const char* service) {
  for (const char* p = service; *p; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte == '.' || byte == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(byte));
    } else if (byte <= 32) {
      char digits[5];
      std::snprintf(digits, sizeof digits, "\\%03u", byte);
      out += digits;
    } else {
      out.push_back(static_cast<char>(byte));
    }
  }
}

bool IsServiceType(std::string_view type) {
  if (!type.empty() && type.back() == '.') type.remove_suffix(1);
  return type.ends_with("_tcp") || type.ends_with("_udp");
}

void AppendWithDot(std::string& out, std::string_view text) {
  out += text;
  if (text.empty() || text.back() != '.') out.push_back('.');
}

}  // namespace

int DNSServiceConstructFullName(char* fullName, const char* service, const char* regtype, const char* domain) {
  if (fullName == nullptr) return kDNSServiceErr_BadParam;
  fullName[0] = '\0';
  if (regtype == nullptr || domain == nullptr || *domain == '\0' || !IsServiceType(regtype))
    return kDNSServiceErr_BadParam;
  std::string out;
  if (service != nullptr) {
    AppendEscapedInstance(out, service);
    out.push_back('.');
  }
  AppendWithDot(out, regtype);
  AppendWithDot(out, domain);
  if (out.size() >= kFullNameBufferSize) return kDNSServiceErr_BadParam;
  out.copy(fullName, out.size());
  fullName[out.size()] = '\0';
  return kDNSServiceErr_NoError;
}
