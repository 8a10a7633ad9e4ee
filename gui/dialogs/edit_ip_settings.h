#pragma once
// CEditIPSettings: the "IP Settings" dialog. It edits a copy of one camera's network
// settings: DHCP, name, addresses, prefix, port. It checks what was typed when the user
// presses Transmit, and warns (without blocking) when a change may leave the camera
// unreachable from this PC.

#include <QDialog>

#include <functional>
#include <string>

#include "records/browse_record.h"

class QCheckBox;
class QLineEdit;
class CNetworkTools;

class CEditIPSettings final : public QDialog {
  Q_OBJECT

 public:
  // Whether the camera of record stays reachable with candidate as its static address.
  using ReachabilityCheck = std::function<bool(const CBrowseRecord& record, const std::string& candidate)>;

  // record: the camera (copied); tools answer the reachability warnings.
  CEditIPSettings(const CBrowseRecord& record, const CNetworkTools& tools, QWidget* parent = nullptr);

  // Fills the members from the camera's settings (the dialog's starting values).
  void SetFromSettings(const NetworkSettings& settings);
  // The new block from the members (after the dialog was accepted).
  NetworkSettings ToSettings() const;

  // Moves the members into the controls (false) or the controls into the members (true),
  // checking them in exchange order; on the first fault shows its message, gives that
  // control the focus and returns false.
  bool UpdateData(bool saveAndValidate);

  // Tests: replaces the reachability test of the tools.
  void SetReachabilityCheck(ReachabilityCheck check) { reachable_ = std::move(check); }

  void accept() override;

  CBrowseRecord m_record;
  int m_dhcp = 0;
  QString m_name;
  QString m_gateway;
  QString m_ipAddress;
  QString m_nameServer;
  unsigned m_port = 0;
  int m_prefix = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void OnDhcpClicked();
  void OnIPAddressKillFocus();
  void WarnUnlessReachable(const QString& candidate);
  bool Fail(QLineEdit* field, const QString& message);

  ReachabilityCheck reachable_;
  bool warning_ = false;  // a handler's message box is up: focus changes are not edits
  QCheckBox* dhcp_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* gateway_ = nullptr;
  QLineEdit* ipAddress_ = nullptr;
  QLineEdit* nameServer_ = nullptr;
  QLineEdit* port_ = nullptr;
  QLineEdit* prefix_ = nullptr;
};
