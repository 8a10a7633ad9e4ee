#pragma once
// CKeyring: the desktop keyring (the Secret Service on Linux, the platform keychain on
// Windows and macOS) through QtKeychain. Each entry is a secret under a label that a
// person recognises in a keyring manager; the entry's name tells the program's entries
// apart.
//
// Keyring jobs answer by signals, so they all run on one thread of the keyring's own with
// an event loop, shared by every CKeyring of the process (the Secret Service library
// keeps its connection bound to the thread that first used it); a caller on any thread
// waits for the answer at most the timeout, and until the keyring first answered at most
// the first-contact timeout (long enough for a person to answer an unlock prompt: never
// call it from the GUI thread). A keyring
// that gives no answer in time (an unlock prompt nobody answers, a hung service), or
// that cannot be reached at all, is taken as gone for the rest of the run: every later
// call answers Unavailable at once, and the change is traced once.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "camera/secure_bytes.h"

class QObject;
namespace QKeychain {
class Job;
}

class CKeyring {
 public:
  enum class Result { Ok, NotFound, Unavailable };

  static constexpr std::chrono::milliseconds kDefaultTimeout{5000};
  static constexpr std::chrono::milliseconds kFirstContactTimeout{60000};

  // firstContactTimeout: the wait until the keyring answered once (at least timeout).
  explicit CKeyring(std::chrono::milliseconds timeout = kDefaultTimeout,
                    std::chrono::milliseconds firstContactTimeout = kFirstContactTimeout);
  ~CKeyring();
  CKeyring(const CKeyring&) = delete;
  CKeyring& operator=(const CKeyring&) = delete;

  // The secret of the entry named name under label; out is wiped first.
  Result Read(const std::string& name, const std::string& label, SecureBytes& out);
  // Stores secret as the entry, replacing an older one.
  Result Write(const std::string& name, const std::string& label, const SecureBytes& secret);
  // NotFound when there was no such entry.
  Result Remove(const std::string& name, const std::string& label);

  // False once the keyring failed to answer; it is not asked again.
  bool Reachable() const;
  // Why it is not reachable (the keyring's own error text), for traces.
  std::string Problem() const;

 private:
  struct Answer;
  using JobFactory = std::function<QKeychain::Job*(QObject* parent)>;

  Result Run(const JobFactory& makeJob, const std::string& what, SecureBytes* out);
  void MarkGone(const std::string& problem);
  void MarkAnswered();
  std::chrono::milliseconds NextWait() const;

  std::chrono::milliseconds timeout_;
  std::chrono::milliseconds firstContactTimeout_;
  mutable std::mutex mutex_;
  bool answered_ = false;
  bool gone_ = false;
  std::string problem_;
};
