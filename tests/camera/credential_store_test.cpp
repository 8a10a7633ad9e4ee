#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <string>
#include <vector>

#include "camera/credential_store.h"
#include "camera/password_prompt.h"
#include "camera/protected_data.h"

namespace {

class CredentialStoreTest : public testing::Test {
 protected:
  CameraCredentials Find(const std::string& serial, bool* found = nullptr) {
    CameraCredentials out;
    const bool ok = store_.FindForCamera(serial, out);
    if (found) *found = ok;
    return out;
  }

  void WriteProtected(const std::string& name, const std::string& plain) {
    CProtectedData data;
    data.KeyFolder = keys_;
    data.SetInput(plain.data(), plain.size());
    const SecureBytes& sealed = data.Protect();
    ASSERT_TRUE(profile_.WriteProfileBinary(kAuthenticationSection, name.c_str(), sealed.data(), sealed.size()));
  }

  QTemporaryDir temp_;
  std::string keys_ = temp_.path().toStdString() + "/keys";
  ravix::AppProfile profile_{temp_.path() + "/profile.ini"};
  CCredentialStore store_{profile_, keys_};
};

TEST_F(CredentialStoreTest, CameraUsesItsOwnValueElseMasterAndWithoutSerialNothing) {
  ASSERT_TRUE(store_.SaveDefault("master", "mpw"));
  ASSERT_TRUE(store_.SaveForCamera("00408C1234", "own", "opw"));
  bool found = false;
  CameraCredentials c = Find("00408C1234", &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(c.UserName, "own");
  EXPECT_EQ(c.Password, "opw");
  c = Find("00408C9999", &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(c.UserName, "master");
  EXPECT_EQ(c.Password, "mpw");
  Find("", &found);
  EXPECT_FALSE(found);
  EXPECT_FALSE(store_.SaveForCamera("", "u", "p"));
}

TEST_F(CredentialStoreTest, UnusableOwnValueIsPassedOverWithoutFallingBackToMaster) {
  ASSERT_TRUE(store_.SaveDefault("master", "mpw"));
  const unsigned char junk[] = {1, 2, 3};
  ASSERT_TRUE(profile_.WriteProfileBinary(kAuthenticationSection, "CAM1", junk, sizeof junk));
  WriteProtected("CAM2", std::string("no tab here\0", 12));
  WriteProtected("CAM3", "");
  for (const char* serial : {"CAM1", "CAM2", "CAM3"}) {
    bool found = true;
    Find(serial, &found);
    EXPECT_FALSE(found) << serial;
  }
}

TEST_F(CredentialStoreTest, StoredTextIsUserTabPasswordNulAndSplitsAtTheFirstTab) {
  ASSERT_TRUE(store_.SaveForCamera("S1", "user", "pa\tss"));
  std::vector<unsigned char> sealed;
  ASSERT_TRUE(profile_.GetProfileBinary(kAuthenticationSection, "S1", sealed));
  CProtectedData data;
  data.KeyFolder = keys_;
  data.SetInput(sealed.data(), sealed.size());
  const SecureBytes& plain = data.Unprotect();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain.data()), plain.size()), std::string("user\tpa\tss\0", 11));
  CameraCredentials c = Find("S1");
  EXPECT_EQ(c.UserName, "user");
  EXPECT_EQ(c.Password, "pa\tss");

  // what another writer may have left: nothing after the password, or bytes after the NUL
  WriteProtected("S2", "u\tp");
  WriteProtected("S3", std::string("u\tp\0junk", 8));
  EXPECT_EQ(Find("S2").Password, "p");
  EXPECT_EQ(Find("S3").Password, "p");
}

TEST_F(CredentialStoreTest, EmptyDefaultCredentialsAreStoredAndFound) {
  ASSERT_TRUE(store_.SaveDefault("", ""));
  bool found = false;
  const CameraCredentials c = Find("ANY", &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(c.UserName, "");
  EXPECT_EQ(c.Password, "");
}

TEST_F(CredentialStoreTest, SerialsWithSeparatorsKeepTheirOwnValue) {
  ASSERT_TRUE(store_.SaveForCamera("A/B", "slash", "1"));
  ASSERT_TRUE(store_.SaveForCamera("A\\B", "backslash", "2"));
  ASSERT_TRUE(store_.SaveForCamera("A%2FB", "percent", "3"));
  EXPECT_EQ(Find("A/B").UserName, "slash");
  EXPECT_EQ(Find("A\\B").UserName, "backslash");
  EXPECT_EQ(Find("A%2FB").UserName, "percent");
  EXPECT_EQ(CCredentialStore::ValueNameOfSerial("00408C1234"), "00408C1234");
}

TEST_F(CredentialStoreTest, CameraWithSerialMasterKeepsTheDefaultCredentials) {
  ASSERT_TRUE(store_.SaveDefault("admin", "default"));
  EXPECT_EQ(Find("Master").UserName, "admin");  // nothing of its own yet: the default
  ASSERT_TRUE(store_.SaveForCamera("Master", "camera", "own"));
  EXPECT_EQ(Find("Master").UserName, "camera");
  EXPECT_EQ(Find("OTHER").UserName, "admin");
}

TEST(PasswordPromptData, CameraAndDefaultPromptsCarryTheirTexts) {
  CBrowseRecord record;
  record.ServiceName = "Lobby %s cam";
  const PasswordPromptData camera = MakeCameraPasswordPrompt(record, nullptr);
  EXPECT_EQ(camera.Caption, "Authentication for \"Lobby %s cam\"");
  EXPECT_EQ(camera.Prompt, "Please enter the username and password for camera \"Lobby %s cam\".");
  EXPECT_TRUE(camera.Save);
  EXPECT_TRUE(camera.SaveEnabled);
  ASSERT_TRUE(camera.Record.has_value());
  EXPECT_EQ(camera.Record->ServiceName, record.ServiceName);

  const PasswordPromptData master = MakeDefaultPasswordPrompt();
  EXPECT_EQ(master.Caption, "Default Password for Camera Access");
  EXPECT_TRUE(master.Save);
  EXPECT_FALSE(master.SaveEnabled);
  EXPECT_FALSE(master.Record.has_value());
  EXPECT_EQ(FormatLoginFailedMessage("root").substr(0, 30), "Login failed for user \"root\".\n");
}

}  // namespace
