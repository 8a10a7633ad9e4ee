#include "camera/protection_key.h"

#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/app_profile.h"
#include "platform/debug_trace.h"
#include "platform/file_descriptor.h"

namespace {

// Corrupt: the file is there but cannot be a key (wrong size, not a regular file): it is
// replaced. Unreadable: it could not be opened or read for another reason (permission,
// too many open files, not this user's own, a read error): it may well be the key of
// every stored credential, so it is left alone and nothing new is protected.
enum class KeyFileState { Missing, Corrupt, Unreadable, Read };

bool InitSodium() {
  static const bool ok = sodium_init() >= 0;
  return ok;
}

// Makes the missing folders of path with mode 0700; the last one must end up a folder of
// this user that nobody else can enter.
bool EnsureFolder(const std::string& path, bool create) {
  if (create) {
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
      if (pos != path.size() && path[pos] != '/') continue;
      const std::string part = path.substr(0, pos);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
        DebugTrace("Cannot create the key folder '%s': %s", part.c_str(), std::strerror(errno));
        return false;
      }
    }
  }
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    DebugTrace("The key folder '%s' is not a folder of this user", path.c_str());
    return false;
  }
  if ((st.st_mode & 0777) != 0700) ::chmod(path.c_str(), 0700);
  return true;
}

KeyFileState Refuse(const std::string& file, KeyFileState state, const char* why) {
  DebugTrace("The key file '%s' %s", file.c_str(), why);
  return state;
}

KeyFileState ReadKeyFile(const std::string& file, unsigned char* key) {
  const ravix::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.Valid()) {
    if (errno == ENOENT) return KeyFileState::Missing;
    if (errno == ELOOP) return Refuse(file, KeyFileState::Corrupt, "is a link");  // O_NOFOLLOW
    return Refuse(file, KeyFileState::Unreadable, std::strerror(errno));
  }
  struct stat st{};
  if (::fstat(fd.Get(), &st) != 0) return Refuse(file, KeyFileState::Unreadable, std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return Refuse(file, KeyFileState::Corrupt, "is not a regular file");
  if (st.st_uid != ::geteuid()) return Refuse(file, KeyFileState::Unreadable, "belongs to another user");
  if (st.st_size != static_cast<off_t>(ProtectionKey::kSize)) return Refuse(file, KeyFileState::Corrupt, "has a wrong size");
  if ((st.st_mode & 0777) != 0600) ::fchmod(fd.Get(), 0600);
  if (!ravix::ReadAll(fd.Get(), key, ProtectionKey::kSize)) return Refuse(file, KeyFileState::Unreadable, "cannot be read");
  return KeyFileState::Read;
}

// Writes a fresh key under a temporary name and links it into place, so that a reader
// never sees half a key and two writers cannot replace each other's key.
KeyFileState CreateKeyFile(const std::string& file, unsigned char* key) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".new%08x", randombytes_random());
  const std::string temp = file + suffix;
  ravix::UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.Valid()) {
    DebugTrace("Cannot create the key file '%s': %s", temp.c_str(), std::strerror(errno));
    return KeyFileState::Unreadable;
  }
  randombytes_buf(key, ProtectionKey::kSize);
  const bool written = ravix::WriteAll(fd.Get(), key, ProtectionKey::kSize) && ::fsync(fd.Get()) == 0 && fd.Reset();
  const bool linked = written && ::link(temp.c_str(), file.c_str()) == 0;
  const int linkError = errno;
  ::unlink(temp.c_str());
  sodium_memzero(key, ProtectionKey::kSize);
  if (linked || (written && linkError == EEXIST)) return ReadKeyFile(file, key);
  DebugTrace("Cannot store the key file '%s'", file.c_str());
  return KeyFileState::Unreadable;
}

}  // namespace

ProtectionKey::~ProtectionKey() { sodium_memzero(key_.data(), key_.size()); }

std::string ProtectionKey::DefaultFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return (base + QLatin1Char('/') + QString::fromUtf8(ravix::kProfileOrganization) + QLatin1Char('/') +
          QString::fromUtf8(ravix::kProfileApplication))
      .toStdString();
}

std::unique_ptr<ProtectionKey> ProtectionKey::Open(const std::string& folder, bool create) {
  if (!InitSodium() || folder.empty()) return nullptr;
  // one maker of keys at a time within the process
  static std::mutex creation;
  std::unique_lock<std::mutex> lock(creation, std::defer_lock);
  if (create) lock.lock();
  if (!EnsureFolder(folder, create)) return nullptr;

  std::unique_ptr<ProtectionKey> key(new ProtectionKey);
  const std::string file = folder + "/" + kFileName;
  KeyFileState state = ReadKeyFile(file, key->key_.data());
  if (state == KeyFileState::Read) return key;
  if (!create || state == KeyFileState::Unreadable) return nullptr;  // the file stays as it is
  if (state == KeyFileState::Corrupt) {
    const std::string aside = file + ".corrupt";
    if (::rename(file.c_str(), aside.c_str()) != 0) return nullptr;
    DebugTrace("The unusable key file was moved to '%s'; a new key is made", aside.c_str());
  }
  state = CreateKeyFile(file, key->key_.data());
  return state == KeyFileState::Read ? std::move(key) : nullptr;
}
