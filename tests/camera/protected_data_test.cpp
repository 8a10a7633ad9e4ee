#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "camera/protected_data.h"
#include "camera/protection_key.h"

namespace {

std::vector<unsigned char> Protect(const std::string& folder, const std::string& text) {
  CProtectedData data;
  data.KeyFolder = folder;
  data.SetInput(text.data(), text.size());
  const SecureBytes& out = data.Protect();
  return std::vector<unsigned char>(out.data(), out.data() + out.size());
}

// The unprotected text, or "<nothing>".
std::string Unprotect(const std::string& folder, const std::vector<unsigned char>& value) {
  CProtectedData data;
  data.KeyFolder = folder;
  data.SetInput(value.data(), value.size());
  const SecureBytes& out = data.Unprotect();
  if (out.empty()) return "<nothing>";
  return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

mode_t ModeOf(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ProtectedDataTest : public testing::Test {
 protected:
  QTemporaryDir temp_;
  std::string folder_ = temp_.path().toStdString() + "/keys";
  std::string keyFile_ = folder_ + "/credentials.key";
};

TEST_F(ProtectedDataTest, RoundTripGivesTheExactInputWithAFreshNonceEachTime) {
  const std::string texts[] = {std::string("admin\tsecret\0", 13), "", std::string(5000, 'x'),
                               std::string("\0\t\xff", 3)};
  for (const std::string& text : texts) {
    const auto sealed = Protect(folder_, text);
    ASSERT_EQ(sealed.size(), text.size() + 40);  // 24 bytes nonce, 16 bytes tag
    EXPECT_EQ(Unprotect(folder_, sealed), text.empty() ? "<nothing>" : text);
  }
  EXPECT_NE(Protect(folder_, "same"), Protect(folder_, "same"));
}

TEST_F(ProtectedDataTest, ChangedShortOrForeignValuesGiveNothing) {
  const std::string text("admin\tsecret", 13);
  const auto sealed = Protect(folder_, text);
  for (std::size_t at : {std::size_t{0}, std::size_t{23}, std::size_t{24}, std::size_t{39}, sealed.size() - 1}) {
    auto changed = sealed;
    changed[at] ^= 0x01;
    EXPECT_EQ(Unprotect(folder_, changed), "<nothing>") << "byte " << at;
  }
  EXPECT_EQ(Unprotect(folder_, std::vector<unsigned char>(sealed.begin(), sealed.end() - 1)), "<nothing>");
  EXPECT_EQ(Unprotect(folder_, std::vector<unsigned char>(sealed.begin(), sealed.begin() + 39)), "<nothing>");
  EXPECT_EQ(Unprotect(folder_, {}), "<nothing>");
  // protected by another user (another key)
  const std::string otherFolder = temp_.path().toStdString() + "/other";
  EXPECT_EQ(Unprotect(otherFolder, sealed), "<nothing>");
  EXPECT_EQ(Unprotect(otherFolder, Protect(otherFolder, "x")), "x");
  EXPECT_EQ(Unprotect(folder_, Protect(otherFolder, "x")), "<nothing>");
  EXPECT_EQ(Unprotect(folder_, sealed), text);
}

TEST_F(ProtectedDataTest, UnprotectNeverMakesAKey) {
  EXPECT_EQ(Unprotect(folder_, std::vector<unsigned char>(60, 1)), "<nothing>");
  EXPECT_EQ(ModeOf(folder_), 0u);
}

TEST_F(ProtectedDataTest, KeyIsMadeOnFirstUsePrivateInThePrivateFolderOfTheUsersDataDirectory) {
  const std::string dataHome = temp_.path().toStdString() + "/data";
  ASSERT_EQ(::setenv("XDG_DATA_HOME", dataHome.c_str(), 1), 0);
  const std::string folder = dataHome + "/Zorvik Vision Components/Zorvik IP Camera Finder";
  EXPECT_EQ(ProtectionKey::DefaultFolder(), folder);

  CProtectedData data;  // default folder
  data.SetInput("a\tb", 4);
  ASSERT_FALSE(data.Protect().empty());
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(dataHome + "/Zorvik Vision Components"), 0700u);
  EXPECT_EQ(ModeOf(folder + "/credentials.key"), 0600u);

  // loosened by somebody: tightened again on the next use, key unchanged
  ::chmod(folder.c_str(), 0755);
  ::chmod((folder + "/credentials.key").c_str(), 0644);
  std::vector<unsigned char> sealed(data.Output().data(), data.Output().data() + data.Output().size());
  CProtectedData again;
  again.SetInput(sealed.data(), sealed.size());
  EXPECT_EQ(again.Unprotect().size(), 4u);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(folder + "/credentials.key"), 0600u);
  ::unsetenv("XDG_DATA_HOME");
}

TEST_F(ProtectedDataTest, CorruptKeyIsNotUsedAndIsMovedAsideWhenANewValueIsProtected) {
  const auto sealed = Protect(folder_, "old");
  WriteText(keyFile_, "short key");
  EXPECT_EQ(Unprotect(folder_, sealed), "<nothing>");
  EXPECT_EQ(ReadText(keyFile_), "short key");  // reading changes nothing

  const auto fresh = Protect(folder_, "new");
  EXPECT_EQ(Unprotect(folder_, fresh), "new");
  EXPECT_EQ(ReadText(keyFile_ + ".corrupt"), "short key");
  EXPECT_EQ(ModeOf(keyFile_), 0600u);
  EXPECT_EQ(Unprotect(folder_, sealed), "<nothing>");
}

TEST_F(ProtectedDataTest, KeyFileThatIsALinkIsNotFollowed) {
  const std::string elsewhere = temp_.path().toStdString() + "/elsewhere.key";
  WriteText(elsewhere, std::string(32, 'k'));
  ASSERT_EQ(::mkdir(folder_.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), keyFile_.c_str()), 0);
  EXPECT_EQ(Unprotect(folder_, Protect(folder_, "t")), "t");
  EXPECT_EQ(ReadText(elsewhere), std::string(32, 'k'));
  struct stat st{};
  ASSERT_EQ(::lstat(keyFile_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(ProtectedDataTest, ThreadsMakingTheFirstKeyAtOnceShareOneKey) {
  constexpr int kThreads = 6;
  std::vector<std::vector<unsigned char>> sealed(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] { sealed[static_cast<std::size_t>(i)] = Protect(folder_, std::to_string(i)); });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(Unprotect(folder_, sealed[static_cast<std::size_t>(i)]), std::to_string(i));
}

}  // namespace
