// Stored credentials: a value read back from the store may be anything. A forged one is
// never accepted, and whatever is protected comes back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "camera/protected_data.h"

namespace {

// The key folder of the run, made once and removed at the end.
class KeyFolder {
 public:
  KeyFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ravix-protect-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    // Makes the key, so that unprotecting below meets a real key and not a missing one.
    CProtectedData first;
    first.KeyFolder = path_;
    first.SetInput("x", 1);
    if (first.Protect().size() == 0) std::abort();
  }
  ~KeyFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  KeyFolder(const KeyFolder&) = delete;
  KeyFolder& operator=(const KeyFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& Folder() {
  static KeyFolder folder;
  return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CProtectedData forged;
  forged.KeyFolder = Folder();
  forged.SetInput(data, size);
  if (forged.Unprotect().size() != 0) std::abort();

  CProtectedData sealer;
  sealer.KeyFolder = Folder();
  sealer.SetInput(data, size);
  const SecureBytes& sealed = sealer.Protect();
  if (sealed.size() <= size) std::abort();

  CProtectedData opener;
  opener.KeyFolder = Folder();
  opener.SetInput(sealed.data(), sealed.size());
  const SecureBytes& plain = opener.Unprotect();
  if (plain.size() != size) std::abort();
  if (size > 0 && std::memcmp(plain.data(), data, size) != 0) std::abort();
  if (size == 0) return 0;

  // One changed bit anywhere in a real value (nonce, tag or text) makes it unreadable.
  SecureBytes tampered(sealed.data(), sealed.size());
  tampered.data()[data[0] % tampered.size()] ^= static_cast<unsigned char>(1u << (data[size - 1] % 8));
  CProtectedData checker;
  checker.KeyFolder = Folder();
  checker.SetInput(tampered.data(), tampered.size());
  if (checker.Unprotect().size() != 0) std::abort();
  return 0;
}
