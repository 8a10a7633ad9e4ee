#pragma once
// Parses the raw TXT data of a resolve reply: length-prefixed entries "key=value".
// Entries without "=" or with an empty value are skipped, of repeated keys the first
// counts, an entry running past the end of the data ends the parsing. Bytes are taken
// as they are. recordId only appears in the trace lines.

#include <cstdint>

#include "records/browse_record.h"

CBrowseRecord::TxtMap ParseTxtRecord(uint32_t recordId, uint16_t txtLen, const unsigned char* txtRecord);
