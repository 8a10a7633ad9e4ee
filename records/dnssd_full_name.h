#pragma once
// DNS-SD full name of a service instance: escaped instance name, type and domain, each
// ending in a dot ("My\ Cam\.1._http._tcp.local." style escaping rules below).

#include <cstddef>

inline constexpr std::size_t kFullNameBufferSize = 1024;
inline constexpr int kDNSServiceErr_NoError = 0;
inline constexpr int kDNSServiceErr_BadParam = -65540;

// Writes the full name into fullName (kFullNameBufferSize bytes). The service name is
// escaped: "." and "\" get a "\" before them, bytes of value 32 or less become "\" and
// three decimal digits. The type must end in "_tcp" or "_udp" (a final dot optional);
// the domain must not be empty; both get a final dot when missing. Returns
// kDNSServiceErr_NoError, or kDNSServiceErr_BadParam (fullName then holds "").
int DNSServiceConstructFullName(char* fullName, const char* service, const char* regtype, const char* domain);
