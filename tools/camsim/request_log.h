#pragma once
// The request log: one JSON object per line for every request a simulated camera
// receives, written and flushed at once so that a test can read what a client sent and
// in which order. Fields: "seq", "time" (ms since 1970), "camera" (service name), "host",
// "address", "method", "path", "query", "remote", and for uploads "part" {"name",
// "filename", "size"}; "fault" names the fault the camera played on it, if any.

#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace camsim {

class RequestLog {
 public:
  RequestLog() = default;
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  // Appends to path ("-" is standard error); false with error when it cannot be opened.
  bool Open(const std::string& path, std::string& error);
  // Adds "seq" and "time" and writes the entry; nothing when no log is open.
  void Write(nlohmann::json entry);
  // Empties the log file (sequence numbers go on).
  void Clear();

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool ownsFile_ = false;
  uint64_t seq_ = 0;
};

}  // namespace camsim
