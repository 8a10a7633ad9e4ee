#pragma once
// The temporary addresses one finder run added (--temporary-address, the window's
// first-contact commands): renewed while the run lasts, removed when it ends. An address
// whose run dies without removing it expires by its kernel lifetime.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/network_helper.h"

namespace ravix {

class TemporaryAddressKeeper {
 public:
  // Runs one helper command (add, renew, remove) and waits for it.
  using Command = std::function<HelperReply(const std::vector<std::string>& args)>;
  // renewSeconds: the default leaves ten minutes of the hour's lifetime for a renewal
  // that has to ask for authorisation again.
  explicit TemporaryAddressKeeper(Command command, int renewSeconds = 3000);
  ~TemporaryAddressKeeper();  // RemoveAll
  TemporaryAddressKeeper(const TemporaryAddressKeeper&) = delete;
  TemporaryAddressKeeper& operator=(const TemporaryAddressKeeper&) = delete;

  struct Entry {
    std::string Adapter;
    std::string Address;  // "a.b.c.d/n"
  };
  // Adds address ("a.b.c.d/n", or "" for a link-local address) to adapter; on Done the
  // entry is kept and reply.Output holds the address taken.
  HelperReply Add(const std::string& adapter, const std::string& address);
  // Add for the first of candidates that no other host holds (each one probed by the
  // helper; one in use is skipped); the reply of the last try.
  HelperReply AddFirstFree(const std::string& adapter, const std::vector<std::string>& candidates);
  // Removes every kept address (in reverse order); the ones that fail are left to expire.
  // Safe from several threads (an interrupt and the normal end): one removes, the other
  // waits for it.
  void RemoveAll();
  std::vector<Entry> Entries() const;

 private:
  void Renew();

  Command command_;
  const int renewSeconds_;
  std::mutex removing_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Entry> entries_;
  bool stop_ = false;
  std::thread renewer_;
};

}  // namespace ravix
