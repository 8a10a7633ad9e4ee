// The credential store against a real desktop keyring: gnome-keyring-daemon's Secret
// Service in a private D-Bus session that each test starts in a temporary folder (its own
// bus configuration, XDG_RUNTIME_DIR and HOME) and stops at the end. secret-tool looks at
// the keyring from outside. The keyring library keeps its bus connection for the whole
// process, so every case runs in a process of its own (as CTest runs them).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "camera/credential_store.h"
#include "camera/keyring.h"

namespace {

// Long enough for a loaded machine, short enough for the cases that wait it out.
constexpr std::chrono::milliseconds kShortTimeout{4000};

enum class Session { Unlocked, Locked, BusOnly, NoBus };

bool g_sessionUsed = false;

class KeyringSession {
 public:
  // Empty when everything is up; otherwise why not.
  std::string Start(Session kind) {
    if (kind == Session::NoBus) {
      qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + Dir("run").toUtf8() + "/no-such-bus");
      return {};
    }
    for (const char* program : {"dbus-daemon", "dbus-send", "gnome-keyring-daemon", "secret-tool"})
      if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
        return std::string(program) + " is not installed (scripts/install-deps.sh installs it)";
    const QString run = Dir("run");
    const QString config = temp_.path() + "/bus.conf";
    WriteBusConfig(config, run + "/bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + run.toUtf8() + "/bus");
    qputenv("XDG_RUNTIME_DIR", run.toUtf8());
    qputenv("HOME", Dir("home").toUtf8());
    qputenv("XDG_DATA_HOME", Dir("home/.local/share").toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    bus_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--nofork"), "--config-file=" + config});
    if (!bus_.waitForStarted() || !WaitFor("org.freedesktop.DBus")) return "dbus-daemon did not start";
    if (kind == Session::BusOnly) return {};
    QStringList args{QStringLiteral("--foreground"), QStringLiteral("--components=secrets")};
    if (kind == Session::Unlocked) args << QStringLiteral("--unlock");
    keyring_.start(QStringLiteral("gnome-keyring-daemon"), args);
    if (!keyring_.waitForStarted()) return "gnome-keyring-daemon did not start";
    if (kind == Session::Unlocked) {
      keyring_.write("login password");
      keyring_.waitForBytesWritten();
    }
    keyring_.closeWriteChannel();
    if (!WaitFor("org.freedesktop.secrets"))
      return "gnome-keyring-daemon did not take the Secret Service name: " + keyring_.readAllStandardError().toStdString();
    // The login keyring is made and unlocked from the password only after the name is taken.
    if (kind == Session::Unlocked && !WaitForUnlockedDefaultCollection())
      return "gnome-keyring-daemon did not unlock its login keyring";
    return {};
  }

  ~KeyringSession() {
    Stop(keyring_);
    // The Secret Service library ends the process with SIGTERM when its session bus
    // closes; here that is the end of the test.
    std::signal(SIGTERM, SIG_IGN);
    Stop(bus_);
  }

  void SignalKeyring(int signal) const { ::kill(static_cast<pid_t>(keyring_.processId()), signal); }
  void StopKeyring() { Stop(keyring_); }

  // secret-tool's view: "label = ..." lines of every entry of ours.
  std::vector<std::string> Labels() const {
    const std::string out = Run({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain")}, true);
    std::vector<std::string> labels;
    std::size_t at = 0;
    while ((at = out.find("label = ", at)) != std::string::npos) {
      const std::size_t end = out.find('\n', at);
      labels.push_back(out.substr(at + 8, end - at - 8));
      at = end;
    }
    return labels;
  }

  // The secret secret-tool finds under label and entry name ("" when none); the keyring
  // library keeps binary secrets in Base64.
  std::string Lookup(const std::string& label, const std::string& name) const {
    return QByteArray::fromBase64(QByteArray::fromStdString(Run({QStringLiteral("lookup"), QStringLiteral("server"), QString::fromStdString(label), QStringLiteral("user"),
                QString::fromStdString(name)},
               false)))
        .toStdString();
  }

  QString Dir(const char* name) const {
    const QString path = temp_.path() + "/" + QString::fromLatin1(name);
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
  }

 private:
  static void WriteBusConfig(const QString& path, const QString& socket) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    // No service directories: nothing on the bus starts unless the test starts it.
    file.write(QStringLiteral(
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                   "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>"
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                   .arg(socket)
                   .toUtf8());
  }

  static bool WaitFor(const char* name) {
    for (int i = 0; i < 100; ++i) {
      QProcess probe;
      probe.start(QStringLiteral("dbus-send"),
                  {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.freedesktop.DBus"),
                   QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                   "string:" + QString::fromLatin1(name)});
      probe.waitForFinished(5000);
      if (probe.readAllStandardOutput().contains("boolean true")) return true;
      QThread::msleep(50);
    }
    return false;
  }

  static bool WaitForUnlockedDefaultCollection() {
    for (int i = 0; i < 100; ++i) {
      QProcess probe;
      probe.start(QStringLiteral("dbus-send"),
                  {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.freedesktop.secrets"),
                   QStringLiteral("/org/freedesktop/secrets/aliases/default"),
                   QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                   QStringLiteral("string:org.freedesktop.Secret.Collection"), QStringLiteral("string:Locked")});
      probe.waitForFinished(5000);
      if (probe.readAllStandardOutput().contains("boolean false")) return true;
      QThread::msleep(50);
    }
    return false;
  }

  std::string Run(const QStringList& args, bool withStderr) const {
    QProcess tool;
    if (withStderr) tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral("secret-tool"), args);
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput().toStdString();
  }

  static void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
    process.terminate();
    if (!process.waitForFinished(5000)) process.kill();
    process.waitForFinished(5000);
  }

  QTemporaryDir temp_;
  QProcess bus_;
  QProcess keyring_;
};


class KeyringStoreTest : public testing::Test {
 protected:
  // False (and the case skipped) when the session cannot be had.
  bool StartSession(Session kind) {
    if (g_sessionUsed) {
      ADD_FAILURE() << "one keyring session per process: run each case alone (CTest does)";
      return false;
    }
    g_sessionUsed = true;
    const std::string problem = session_.Start(kind);
    if (problem.empty()) return true;
    [&] { GTEST_SKIP() << "no keyring for this test: " << problem; }();
    return false;
  }

  // The short timeout also bounds the first contact (a person would get a minute).
  std::unique_ptr<CCredentialStore> Store(std::chrono::milliseconds timeout = CKeyring::kDefaultTimeout) {
    keyring_ = std::make_shared<CKeyring>(
        timeout, timeout == CKeyring::kDefaultTimeout ? CKeyring::kFirstContactTimeout : timeout);
    return std::make_unique<CCredentialStore>(profile_, keys_, keyring_);
  }
  std::unique_ptr<CCredentialStore> FileStore() { return std::make_unique<CCredentialStore>(profile_, keys_); }

  std::vector<std::string> FileValues() const { return profile_.ProfileEntries(kAuthenticationSection); }

  static CameraCredentials ReadBack(const CCredentialStore& store, const std::string& valueName) {
    CameraCredentials out;
    EXPECT_TRUE(store.Read(valueName, out)) << valueName;
    return out;
  }

  QTemporaryDir temp_;
  std::string keys_ = temp_.path().toStdString() + "/keys";
  ravix::AppProfile profile_{temp_.path() + "/profile.ini"};
  KeyringSession session_;
  std::shared_ptr<CKeyring> keyring_;
};

const std::string kCameraLabel = "Zorvik IP Camera Finder: password of camera ZV0011";
const std::string kDefaultLabel = "Zorvik IP Camera Finder: default camera password";

TEST_F(KeyringStoreTest, StoreReadChangeDeleteInTheKeyringUnderLabelsAPersonRecognises) {
  if (!StartSession(Session::Unlocked)) return;
  auto store = Store();
  ASSERT_TRUE(store->SaveForCamera("ZV0011", "installer", "s3cret\tpart"));
  ASSERT_TRUE(store->SaveDefault("root", "pass"));
  ASSERT_TRUE(store->SaveForCamera("ZV/2", "admin", ""));
  EXPECT_TRUE(store->UsesKeyring());
  EXPECT_TRUE(FileValues().empty()) << "nothing goes to the file while the keyring answers";

  CameraCredentials found;
  ASSERT_TRUE(store->FindForCamera("ZV0011", found));
  EXPECT_EQ(found.UserName, "installer");
  EXPECT_EQ(found.Password, "s3cret\tpart");
  ASSERT_TRUE(store->FindForCamera("ZV0099", found)) << "a camera without its own entry gets the default";
  EXPECT_EQ(found.UserName, "root");
  EXPECT_EQ(ReadBack(*store, CCredentialStore::ValueNameOfSerial("ZV/2")).UserName, "admin");

  std::vector<std::string> labels = session_.Labels();
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(labels, (std::vector<std::string>{kDefaultLabel, "Zorvik IP Camera Finder: password of camera ZV/2",
                                              kCameraLabel}));
  EXPECT_EQ(session_.Lookup(kCameraLabel, "ZV0011"), std::string("installer\ts3cret\tpart") + '\0');

  ASSERT_TRUE(store->SaveForCamera("ZV0011", "installer", "changed"));
  EXPECT_EQ(ReadBack(*store, "ZV0011").Password, "changed");
  EXPECT_EQ(session_.Labels().size(), 3u) << "a change replaces the entry";

  ASSERT_TRUE(store->Remove("ZV0011"));
  EXPECT_FALSE(store->Exists("ZV0011"));
  EXPECT_EQ(session_.Lookup(kCameraLabel, "ZV0011"), "");
  ASSERT_TRUE(store->FindForCamera("ZV0011", found));
  EXPECT_EQ(found.UserName, "root") << "once forgotten, the camera gets the default again";
  EXPECT_TRUE(store->Remove("ZV0011")) << "forgetting twice is no failure";
}

TEST_F(KeyringStoreTest, FileValuesMoveIntoTheKeyringOnFirstUse) {
  if (!StartSession(Session::Unlocked)) return;
  {
    auto file = FileStore();
    ASSERT_TRUE(file->SaveDefault("root", "pass"));
    ASSERT_TRUE(file->SaveForCamera("ZV0011", "installer", "pw1"));
    ASSERT_TRUE(file->SaveForCamera("ZV0012", "installer", "pw2"));
  }
  ASSERT_TRUE(profile_.WriteProfileBinary(kAuthenticationSection, "Broken", reinterpret_cast<const unsigned char*>("xx"), 2));
  ASSERT_EQ(FileValues().size(), 4u);

  auto store = Store();
  EXPECT_EQ(ReadBack(*store, "ZV0012").Password, "pw2");
  EXPECT_EQ(FileValues(), std::vector<std::string>{"Broken"}) << "what cannot be unprotected stays in the file";
  EXPECT_EQ(session_.Labels().size(), 3u);
  EXPECT_EQ(session_.Lookup(kDefaultLabel, "Master"), std::string("root\tpass", 9) + '\0');
  EXPECT_EQ(ReadBack(*store, "ZV0011").Password, "pw1");
  EXPECT_EQ(store->MoveFileValuesToKeyring(), 0u);
}

// The file's copy is older than what the keyring holds (the file is written only while
// the keyring does not answer): the keyring's entry stays, the file's goes.
TEST_F(KeyringStoreTest, MoveNeverOverwritesWhatTheKeyringHolds) {
  if (!StartSession(Session::Unlocked)) return;
  ASSERT_TRUE(Store()->SaveForCamera("ZV0011", "installer", "newer"));
  ASSERT_TRUE(FileStore()->SaveForCamera("ZV0011", "installer", "older"));
  ASSERT_TRUE(FileStore()->SaveForCamera("ZV0012", "installer", "only-in-file"));
  ASSERT_EQ(FileValues().size(), 2u);

  auto store = Store();
  std::vector<std::string> moved;
  store->OnValueMoved = [&](const std::string& name) { moved.push_back(name); };
  EXPECT_EQ(ReadBack(*store, "ZV0011").Password, "newer");
  EXPECT_EQ(session_.Lookup(kCameraLabel, "ZV0011"), std::string("installer\tnewer") + '\0');
  EXPECT_EQ(ReadBack(*store, "ZV0012").Password, "only-in-file");
  EXPECT_TRUE(FileValues().empty()) << "both file copies are gone";
  EXPECT_EQ(moved, (std::vector<std::string>{"ZV0011", "ZV0012"}));
  EXPECT_EQ(session_.Labels().size(), 2u);
}

TEST_F(KeyringStoreTest, MoveInterruptedByAFailingWriteLosesNothing) {
  if (!StartSession(Session::Unlocked)) return;
  {
    auto file = FileStore();
    for (const char* serial : {"ZV0001", "ZV0002", "ZV0003"}) ASSERT_TRUE(file->SaveForCamera(serial, "u", serial));
  }
  {
    auto store = Store(kShortTimeout);
    // The keyring stops answering right after the first value moved.
    store->OnValueMoved = [this](const std::string&) { session_.SignalKeyring(SIGSTOP); };
    EXPECT_TRUE(store->Exists("ZV0002"));
    EXPECT_FALSE(store->UsesKeyring());
    EXPECT_EQ(FileValues().size(), 2u) << "only the value the keyring took left the file";
    EXPECT_EQ(ReadBack(*store, "ZV0003").Password, "ZV0003") << "the rest is still read from the file";
    ASSERT_TRUE(store->SaveForCamera("ZV0004", "u", "ZV0004")) << "and written to it";
  }
  session_.SignalKeyring(SIGCONT);

  auto next = Store();  // the next run: the keyring answers again
  for (const char* serial : {"ZV0001", "ZV0002", "ZV0003", "ZV0004"}) EXPECT_EQ(ReadBack(*next, serial).Password, serial);
  EXPECT_TRUE(next->UsesKeyring());
  EXPECT_TRUE(FileValues().empty());
  EXPECT_EQ(session_.Labels().size(), 4u);
}

TEST_F(KeyringStoreTest, KeyringThatGoesAwayMidRunLeavesTheFileStoreInUse) {
  if (!StartSession(Session::Unlocked)) return;
  auto store = Store(kShortTimeout);
  ASSERT_TRUE(store->SaveDefault("root", "pass"));
  session_.StopKeyring();
  ASSERT_TRUE(store->SaveForCamera("ZV0011", "installer", "pw")) << "the value goes to the file instead";
  EXPECT_FALSE(store->UsesKeyring());
  EXPECT_EQ(FileValues(), std::vector<std::string>{"ZV0011"});
  EXPECT_EQ(ReadBack(*store, "ZV0011").Password, "pw");
}

class NoKeyringTest : public KeyringStoreTest, public testing::WithParamInterface<Session> {};

TEST_P(NoKeyringTest, FileStoreIsUsedAndNothingWaitsForAPrompt) {
  if (!StartSession(GetParam())) return;
  auto store = Store(kShortTimeout);
  std::vector<std::string> notices;
  store->OnNotice = [&](const std::string& text) { notices.push_back(text); };
  ASSERT_TRUE(store->SaveForCamera("ZV0011", "installer", "pw"));
  ASSERT_TRUE(store->SaveDefault("root", "pass"));
  EXPECT_FALSE(store->UsesKeyring());
  ASSERT_EQ(notices.size(), 1u) << "the user is told once";
  EXPECT_NE(notices[0].find("file store"), std::string::npos) << notices[0];
  EXPECT_FALSE(keyring_->Problem().empty());
  EXPECT_EQ(FileValues().size(), 2u);
  EXPECT_EQ(ReadBack(*store, "ZV0011").Password, "pw");
  ASSERT_TRUE(store->Remove("ZV0011"));
  EXPECT_EQ(FileValues(), std::vector<std::string>{"Master"});
}

INSTANTIATE_TEST_SUITE_P(Sessions, NoKeyringTest,
                         testing::Values(Session::Locked, Session::BusOnly, Session::NoBus),
                         [](const testing::TestParamInfo<Session>& info) -> std::string {
                           switch (info.param) {
                             case Session::Locked:
                               return "LockedKeyring";
                             case Session::BusOnly:
                               return "NoSecretService";
                             default:
                               return "NoSessionBus";
                           }
                         });

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
