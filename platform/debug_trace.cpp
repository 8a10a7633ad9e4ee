#include "platform/debug_trace.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/file_descriptor.h"

namespace ravix {
namespace {

std::atomic<bool> g_traceEnabled{false};

// glibc gives "%hs" no meaning; rewrite it to "%s" and leave every other directive alone.
std::string NormalizeFormat(const char* format) {
  std::string out;
  out.reserve(std::strlen(format));
  for (const char* p = format; *p; ++p) {
    out.push_back(*p);
    if (*p != '%') continue;
    ++p;
    if (*p == '\0') break;
    if (*p == '%') {
      out.push_back('%');
      continue;
    }
    // copy flags, width, precision; drop an 'h' directly before 's'
    while (*p && std::strchr("-+ #0123456789.*", *p)) out.push_back(*p++);
    if (*p == 'h' && p[1] == 's') ++p;
    if (*p == '\0') break;
    out.push_back(*p);
  }
  return out;
}

}  // namespace

std::size_t FormatTraceLine(char* buf, const char* format, va_list args) {
  buf[0] = '\0';
  if (format == nullptr) return 0;
  const std::string fmt = NormalizeFormat(format);
  const int wanted = std::vsnprintf(buf, kTraceMaxFormatted + 1, fmt.c_str(), args);
  if (wanted < 0) {
    buf[0] = '\0';
    return 0;
  }
  const bool truncated = static_cast<std::size_t>(wanted) > kTraceMaxFormatted;
  std::size_t len = truncated ? kTraceMaxFormatted : static_cast<std::size_t>(wanted);
  if (!truncated && (len == 0 || buf[len - 1] != '\n')) {
    buf[len++] = '\n';
    buf[len] = '\0';
  }
  return len;
}

void SetTraceEnabled(bool on) { g_traceEnabled.store(on, std::memory_order_relaxed); }

bool IsTraceEnabled() { return g_traceEnabled.load(std::memory_order_relaxed); }

void InitTraceFromEnvironment() {
  const char* value = std::getenv("RAVIXFINDER_TRACE");
  if (value != nullptr && std::strcmp(value, "1") == 0) SetTraceEnabled(true);
}

bool TakeTraceOption(int& argc, char** argv) {
  bool found = false;
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) {
      found = true;
      continue;
    }
    argv[out++] = argv[i];
  }
  if (found) {
    argc = out;
    argv[argc] = nullptr;
    SetTraceEnabled(true);
  }
  return found;
}

}  // namespace ravix

bool DebugTrace(const char* format, ...) {
  if (format == nullptr || !ravix::IsTraceEnabled()) return false;
  char buf[ravix::kTraceBufferSize];
  va_list args;
  va_start(args, format);
  const std::size_t len = ravix::FormatTraceLine(buf, format, args);
  va_end(args);
  ravix::WriteAll(STDERR_FILENO, buf, len);  // one write per line keeps lines of threads apart
  return true;
}
