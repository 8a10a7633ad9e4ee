// The firmware pages a camera answers during an update: refresh, shown percent, image
// confirmation, and the session suffix of its handle.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <strings.h>

#include "firmware/page_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);  // cut at a NUL as a page is
  Refresh refresh;
  if (ReadRefresh(page.c_str(), refresh, 5)) {
    if (refresh.path.empty() || refresh.path[0] != '/') std::abort();
    if (refresh.delaySeconds < 1 || refresh.delaySeconds > 5) std::abort();
  }
  if (ReadShownPercent(page.c_str()) > 1000) std::abort();
  IsImageConfirmed(page.c_str());
  const std::string session = ReadSessionArgument(page.c_str());
  if (!session.empty() && strncasecmp(session.c_str(), "session_id=", 11) != 0) std::abort();
  return 0;
}
