// Runs inside tools/netlab, offscreen: the UrlForge window against two simulated cameras
// (see urlforge_lab_cameras.h), driven through its controls; message boxes are answered
// by the test. With RAVIX_URLFORGE_SCREENSHOT=FILE the screenshot case saves its picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "tests/urlforge/urlforge_lab_cameras.h"
#include "urlforge/window/up_down_control.h"
#include "urlforge/window/url_forge_dlg.h"

namespace {

using urlforge_test::kLockedCamera;
using urlforge_test::kLockedPort;
using urlforge_test::kOpenCamera;

class DialogLabTest : public urlforge_test::LabCameras {
 protected:
  void SetUp() override {
    LabCameras::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dialog_ = std::make_unique<CUrlForgeDlg>();
    dialog_->SetMessageSink([this](const QString& title, const QString& text) {
      EXPECT_EQ(title, "Zorvik IP Camera UrlForge");
      messages_ << text;
    });
    dialog_->show();
  }

  template <class Widget>
  Widget* Child(const char* name) {
    auto* widget = dialog_->findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr) ADD_FAILURE() << "no control " << name;
    return widget;
  }

  void Connect(const std::string& address, const QString& port = "80", const QString& user = "",
               const QString& password = "") {
    Child<QLineEdit>("ipAddress")->setText(QString::fromStdString(address));
    Child<QLineEdit>("port")->setText(port);
    Child<QLineEdit>("user")->setText(user);
    Child<QLineEdit>("password")->setText(password);
    Click("connect");
  }

  // Camera work runs on a worker thread while the dialog is disabled: waits until the
  // dialog takes input again (every step of a chain has run then).
  void Settle() {
    QDeadlineTimer deadline(30000);
    while (!dialog_->isEnabled() && !deadline.hasExpired()) QTest::qWait(5);
    ASSERT_TRUE(dialog_->isEnabled()) << "camera work still running";
  }

  void Click(const char* button) {
    Child<QPushButton>(button)->click();
    Settle();
  }

  void Select(const char* list, const QString& text) {
    auto* combo = Child<QComboBox>(list);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << list << ": " << text.toStdString();
    combo->setCurrentIndex(index);
    Settle();
  }

  void Choose(const QString& group, const QString& parameter, const QString& method) {
    Select("group", group);
    Select("parameter", parameter);
    Select("method", method);
  }

  QStringList Items(const char* list) {
    QStringList items;
    auto* combo = Child<QComboBox>(list);
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }

  // Replaces the value text as a paste does.
  QString PasteValue(const QString& text) {
    auto* edit = Child<QLineEdit>("value");
    edit->selectAll();
    edit->insert(text);
    EXPECT_EQ(edit->cursorPosition(), edit->text().size());
    return edit->text();
  }

  QString Log() { return Child<QPlainTextEdit>("log")->toPlainText(); }
  QString Status() { return Child<QLabel>("status")->text(); }
  bool Shown(const char* name) { return Child<QWidget>(name)->isVisible(); }
  bool Enabled(const char* name) { return Child<QWidget>(name)->isEnabled(); }

  std::unique_ptr<CUrlForgeDlg> dialog_;
  QStringList messages_;
};

TEST_F(DialogLabTest, ComposesTheExampleUrlsAndSendsThem) {
  Connect(kOpenCamera);
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  Choose("Network", "HTTPPort", "GetValue");
  EXPECT_EQ(Child<QLineEdit>("value")->text(), "80");
  TakeParamQueries();
  Click("execute");
  EXPECT_EQ(Log(), "http://192.0.2.10/cgi-bin/param_if.cgi?NumActions=1&Action_0=Network.HTTPPort.GetValue");
  EXPECT_TRUE(TakeParamQueries().empty());  // a Get method's Execute only composes
  EXPECT_TRUE(Enabled("executeUrl"));

  Select("method", "SetValue");
  EXPECT_FALSE(Enabled("executeUrl"));  // every selection change disables it again
  EXPECT_EQ(PasteValue("8080"), "8080");
  Click("execute");
  EXPECT_EQ(Log(),
            "http://192.0.2.10/cgi-bin/param_if.cgi?NumActions=2&Action_0=Network.HTTPPort.GetValue&Action_1=Network."
            "HTTPPort.SetValue&Parameter_1_0=8080");
  EXPECT_EQ(Status(), " Value was successfully written to camera!");
  EXPECT_EQ(sim_->GetStagedParameter(kOpenCamera, "Network.HTTPPort").value_or(""), "8080");
  TakeParamQueries();

  Click("executeUrl");
  const QString path =
      "/cgi-bin/param_if.cgi?NumActions=2&Action_0=Network.HTTPPort.GetValue&Action_1=Network.HTTPPort.SetValue&"
      "Parameter_1_0=8080";
  EXPECT_EQ(Log(), path + "\nReturn_0=80\nReturn_1=8080\n");
  EXPECT_EQ(TakeParamQueries(), std::vector<std::string>{path.mid(22).toStdString()});

  // The log's own text is never read back.
  Child<QPlainTextEdit>("log")->setPlainText("edited");
  Child<QPushButton>("clear")->click();
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(Enabled("executeUrl"));
  Click("executeUrl");
  EXPECT_EQ(Log(), "/cgi-bin/param_if.cgi?NumActions=0\n");
  EXPECT_EQ(TakeParamQueries(), std::vector<std::string>{"NumActions=0"});
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
}

TEST_F(DialogLabTest, ConnectRunsTheSortedSelectionChain) {
  Connect(kOpenCamera);
  EXPECT_EQ(Items("group"), QStringList({"Device", "Global", "Image", "Network"}));
  EXPECT_EQ(Child<QComboBox>("group")->currentText(), "Device");
  EXPECT_EQ(Items("parameter"),
            QStringList({"FirmwareVersion", "Location", "MacAddress", "Model", "Reboot", "SerialNumber"}));
  EXPECT_EQ(Child<QLabel>("parameterLabel")->text(), "Parameter (String)");
  EXPECT_EQ(Items("method"), QStringList({"GetMaxLength", "GetValue", "IsEnabled", "IsReadonly", "SetValue"}));
  EXPECT_TRUE(Shown("value"));
  EXPECT_TRUE(Child<QLineEdit>("value")->isReadOnly());
  EXPECT_EQ(Child<QLineEdit>("value")->text(), "31");
  EXPECT_EQ(Status(), " Camera successfully connected!");

  Select("group", "Image");
  EXPECT_EQ(Child<QLabel>("parameterLabel")->text(), "Parameter (Integer)");
  EXPECT_EQ(Child<QComboBox>("parameter")->currentText(), "Brightness");
  EXPECT_EQ(Items("method"), QStringList({"GetInc", "GetMax", "GetMin", "GetValue", "IsEnabled", "IsReadonly",
                                          "SetValue"}));
  EXPECT_EQ(Child<QLineEdit>("value")->text(), "5");

  Choose("Image", "ExposureMode", "GetEntries");
  EXPECT_EQ(Child<QLabel>("parameterLabel")->text(), "Parameter (Enumeration)");
  EXPECT_TRUE(Shown("entries"));
  EXPECT_FALSE(Shown("value"));
  EXPECT_EQ(Child<QListWidget>("entries")->count(), 3);
  EXPECT_EQ(Child<QListWidget>("entries")->item(2)->text(), "Shutter");
  // The list makes the value row taller for as long as it shows; the log gives way.
  QApplication::processEvents();
  auto* entries = Child<QListWidget>("entries");
  const int entriesBottom = entries->mapTo(dialog_.get(), QPoint(0, entries->height())).y();
  EXPECT_LE(entriesBottom, Child<QWidget>("log")->geometry().top());
  EXPECT_GE(entries->height(), 3 * entries->sizeHintForRow(0));
  Select("method", "IsReadonly");
  EXPECT_TRUE(Shown("check"));
  EXPECT_FALSE(Enabled("check"));
  EXPECT_FALSE(Child<QCheckBox>("check")->isChecked());
  Choose("Image", "WhiteBalanceKelvin", "IsEnabled");
  EXPECT_FALSE(Child<QCheckBox>("check")->isChecked());

  Choose("Network", "Commit", "Execute");
  EXPECT_EQ(Items("method"), QStringList({"Execute", "IsDone", "IsEnabled", "IsReadonly", "Stop"}));
  EXPECT_FALSE(Shown("valueLabel"));
  EXPECT_TRUE(Enabled("execute"));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
}

TEST_F(DialogLabTest, IntegerValuesStepTowardZeroAndStayWithinTheLimits) {
  Connect(kOpenCamera);
  Choose("Image", "Brightness", "SetValue");  // minimum 0, maximum 100, increment 5
  auto* edit = Child<QLineEdit>("value");
  EXPECT_FALSE(edit->isReadOnly());
  EXPECT_EQ(edit->text(), "50");
  EXPECT_TRUE(Shown("upDown"));
  EXPECT_TRUE(Enabled("execute"));
  EXPECT_EQ(PasteValue("47"), "45");
  EXPECT_EQ(PasteValue("230"), "100");
  EXPECT_EQ(PasteValue("-7"), "0");
  EXPECT_EQ(PasteValue("1.000"), "100");
  EXPECT_EQ(PasteValue("12abc"), "10");
  EXPECT_EQ(PasteValue(""), "0");
  edit->selectAll();
  QTest::keyClicks(edit, "4");
  EXPECT_EQ(edit->text(), "0");
  QTest::keyClicks(edit, "3");  // "03"
  EXPECT_EQ(edit->text(), "0");
  PasteValue("35");
  Child<ravix::UpDownControl>("upDown")->StepBy(1);
  EXPECT_EQ(edit->text(), "40");
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "45");
  Child<ravix::UpDownControl>("upDown")->StepBy(20);
  EXPECT_EQ(edit->text(), "100");

  PasteValue("65");
  Click("execute");
  EXPECT_EQ(Log(), "http://192.0.2.10/cgi-bin/param_if.cgi?NumActions=1&Action_0=Image.Brightness.SetValue&"
                   "Parameter_0_0=65");
  EXPECT_EQ(sim_->GetParameter(kOpenCamera, "Image.Brightness").value_or(""), "65");

  // Gain: minimum -12, increment 1; negative values stay.
  Choose("Image", "Gain", "SetValue");
  EXPECT_EQ(PasteValue("-9"), "-9");
  EXPECT_EQ(PasteValue("-99"), "-12");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
}

TEST_F(DialogLabTest, RefusalsAndFailuresAreShownAndLoseNothing) {
  Connect(kOpenCamera, "");  // the empty port field connects with port 0
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains("port")) << messages_[0].toStdString();
  EXPECT_TRUE(messages_[0].endsWith(": 0")) << messages_[0].toStdString();
  EXPECT_EQ(Child<QComboBox>("group")->count(), 0);
  EXPECT_TRUE(sim_->RequestLog().empty());

  Connect(kLockedCamera, QString::number(kLockedPort), "admin", "wrong");
  ASSERT_EQ(messages_.size(), 2);
  EXPECT_TRUE(messages_[1].startsWith("Login failed")) << messages_[1].toStdString();
  EXPECT_EQ(Child<QComboBox>("group")->count(), 0);

  Connect(kOpenCamera);
  Choose("Device", "Model", "SetValue");
  EXPECT_EQ(Child<QLineEdit>("value")->text(), "Ravix-B120");
  EXPECT_FALSE(Enabled("execute"));
  EXPECT_EQ(Status(), " Parameter is readonly!");
  Choose("Image", "WhiteBalanceKelvin", "SetValue");  // disabled
  EXPECT_FALSE(Enabled("execute"));
  EXPECT_EQ(Status(), " Parameter is readonly!");

  // A write the camera refuses is reported; its action is still appended.
  Choose("Image", "Brightness", "SetValue");
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"exception", true}}));
  Click("execute");
  ASSERT_EQ(messages_.size(), 3);
  EXPECT_TRUE(messages_[2].contains("Camera is busy")) << messages_[2].toStdString();
  EXPECT_TRUE(Log().endsWith("&Action_0=Image.Brightness.SetValue&Parameter_0_0=50"));
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"http_status", 500}}));
  Click("executeUrl");
  ASSERT_EQ(messages_.size(), 4);
  EXPECT_TRUE(messages_[3].contains("500")) << messages_[3].toStdString();
  EXPECT_TRUE(Log().startsWith("http://"));
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, nlohmann::json::object()));

  // A group the camera does not have: the lists below stay empty, the library says why.
  auto* group = Child<QComboBox>("group");
  group->addItem("Audio");
  group->setCurrentIndex(group->findText("Audio"));
  Settle();
  ASSERT_EQ(messages_.size(), 5);
  EXPECT_TRUE(messages_[4].contains("Audio")) << messages_[4].toStdString();
  EXPECT_EQ(Child<QComboBox>("parameter")->count(), 0);
  EXPECT_EQ(Child<QComboBox>("method")->count(), 0);
  EXPECT_FALSE(Enabled("execute"));
  auto* parameter = Child<QComboBox>("parameter");
  Select("group", "Image");
  parameter->addItem("Zoom");
  parameter->setCurrentIndex(parameter->findText("Zoom"));
  Settle();
  ASSERT_EQ(messages_.size(), 6);
  EXPECT_TRUE(messages_[5].contains("Image.Zoom")) << messages_[5].toStdString();
  EXPECT_EQ(Child<QLabel>("parameterLabel")->text(), "Parameter");
  EXPECT_EQ(Child<QComboBox>("method")->count(), 0);
}

TEST_F(DialogLabTest, ValuesStayOneQueryValueAndTheUrlNamesThePort) {
  Connect(kLockedCamera, QString::number(kLockedPort), "admin", "zorvik");
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  Choose("Device", "Location", "SetValue");
  PasteValue("Gate & Yard #1");
  Click("execute");
  EXPECT_EQ(sim_->GetParameter(kLockedCamera, "Device.Location").value_or(""), "Gate & Yard #1");
  Choose("Image", "ExposureMode", "SetStringValue");
  auto* choice = Child<QComboBox>("valueChoice");
  EXPECT_TRUE(choice->isVisible());
  EXPECT_EQ(choice->currentText(), "Auto");
  choice->setCurrentIndex(choice->findText("Shutter"));
  Click("execute");
  EXPECT_EQ(sim_->GetParameter(kLockedCamera, "Image.ExposureMode").value_or(""), "2");
  Select("method", "SetIntValue");
  EXPECT_EQ(Child<QComboBox>("valueChoice")->currentText(), "2");
  choice->setCurrentIndex(choice->findText("1"));
  Click("execute");
  EXPECT_EQ(sim_->GetParameter(kLockedCamera, "Image.ExposureMode").value_or(""), "1");
  EXPECT_EQ(Log(), "http://192.0.2.11:8080/cgi-bin/param_if.cgi?NumActions=3"
                   "&Action_0=Device.Location.SetValue&Parameter_0_0=Gate%20%26%20Yard%20%231"
                   "&Action_1=Image.ExposureMode.SetStringValue&Parameter_1_0=Shutter"
                   "&Action_2=Image.ExposureMode.SetIntValue&Parameter_2_0=1");

  sim_->SetParameter(kLockedCamera, "Device.Location", "elsewhere");
  Click("executeUrl");  // sent with the login session
  EXPECT_TRUE(Log().endsWith("\nReturn_0=Gate & Yard #1\nReturn_1=2\nReturn_2=1\n")) << Log().toStdString();
  EXPECT_EQ(sim_->GetParameter(kLockedCamera, "Device.Location").value_or(""), "Gate & Yard #1");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
}

// Watches the GUI thread: a 10 ms timer notes the largest gap between its ticks and asks
// the dialog to repaint; paints that arrive while the dialog is locked are counted.
class GuiThreadWatch : public QObject {
 public:
  explicit GuiThreadWatch(QWidget* window) : window_(window) {
    window_->installEventFilter(this);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      largestGapMs_ = std::max(largestGapMs_, sinceTick_.restart());
      window_->update();
    });
    sinceTick_.start();
    timer_.start(10);
  }
  ~GuiThreadWatch() override { window_->removeEventFilter(this); }

  qint64 LargestGapMs() const { return largestGapMs_; }
  int PaintsWhileLocked() const { return paintsWhileLocked_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Paint && !window_->isEnabled()) ++paintsWhileLocked_;
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* window_;
  QTimer timer_;
  QElapsedTimer sinceTick_;
  qint64 largestGapMs_ = 0;
  int paintsWhileLocked_ = 0;
};

TEST_F(DialogLabTest, WindowKeepsRunningWhileASlowCameraAnswers) {
  ASSERT_TRUE(sim_->SetFaults(kOpenCamera, {{"delay_ms", 3000}}));
  Child<QLineEdit>("ipAddress")->setText(QString::fromStdString(kOpenCamera));
  GuiThreadWatch watch(dialog_.get());
  QElapsedTimer connecting;
  connecting.start();
  Child<QPushButton>("connect")->click();
  EXPECT_FALSE(Enabled("connect"));
  EXPECT_FALSE(Enabled("group"));
  Settle();
  EXPECT_GE(connecting.elapsed(), 3000);  // the camera did wait
  EXPECT_EQ(Status(), " Camera successfully connected!");
  EXPECT_EQ(Child<QLineEdit>("value")->text(), "31");
  // A GUI thread that waited for the camera would show a gap of the whole delay (3 s);
  // the bound leaves room for a loaded machine and the sanitizer builds.
  EXPECT_LT(watch.LargestGapMs(), 1000);
  EXPECT_GT(watch.PaintsWhileLocked(), 10);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
}

TEST_F(DialogLabTest, Screenshot) {
  Connect(kOpenCamera);
  Choose("Image", "ExposureMode", "GetStringValue");
  Click("execute");
  Choose("Image", "Brightness", "SetValue");
  PasteValue("65");
  Click("execute");
  QApplication::processEvents();
  const QPixmap picture = dialog_->grab();
  ASSERT_FALSE(picture.isNull());
  if (const char* path = std::getenv("RAVIX_URLFORGE_SCREENSHOT")) {
    EXPECT_TRUE(picture.save(path, "PNG")) << path;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
