#include "records/txt_record_parser.h"

#include <algorithm>
#include <string_view>

#include "platform/debug_trace.h"

CBrowseRecord::TxtMap ParseTxtRecord(uint32_t recordId, uint16_t txtLen, const unsigned char* txtRecord) {
  CBrowseRecord::TxtMap pairs;
  if (txtRecord == nullptr) return pairs;
  const auto* end = txtRecord + txtLen;
  for (const auto* p = txtRecord; p < end;) {
    const size_t length = *p;
    const auto* entry = p + 1;
    if (length > static_cast<size_t>(end - entry)) break;
    p = entry + length;
    const std::string_view text(reinterpret_cast<const char*>(entry), length);
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals + 1 == text.size()) continue;
    std::string key(text.substr(0, equals));
    std::string value(text.substr(equals + 1));
    DebugTrace("%s: ID: %u adds txtrecord: key='%s' val='%s'", "CmDNS::ResolveReply", recordId, key.c_str(),
               value.c_str());
    pairs.emplace(std::move(key), std::move(value));
  }
  return pairs;
}
