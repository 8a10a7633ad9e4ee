#pragma once
// CAddByAddressDlg: the "Add by Address" dialog. It lists the camera addresses the user
// added (an address, a range "a.b.c.d-e" or a block up to /22), adds a typed entry after
// checking it (bad text is refused with the reason and nothing is added) and removes the
// selected entries. The list it ends with is in Addresses() when it is accepted; it
// stores nothing itself.

#include <QDialog>

#include <string>
#include <vector>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class CAddByAddressDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CAddByAddressDlg(const std::vector<std::string>& addresses, QWidget* parent = nullptr);

  // The entries as listed now, in list order.
  std::vector<std::string> Addresses() const;

  // Checks the typed entry and appends it; false (after saying why) when it is refused.
  bool AddTypedEntry();
  void RemoveSelected();

 protected:
  // Return in the entry field adds the typed entry instead of closing the dialog; Delete
  // in the list removes the selected entries.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void UpdateButtons();
  bool IsListed(const QString& entry) const;

  QListWidget* list_ = nullptr;
  QLineEdit* entry_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* remove_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};
