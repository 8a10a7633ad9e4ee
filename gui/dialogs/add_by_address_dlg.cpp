#include "gui/dialogs/add_by_address_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdint>
#include <memory>

#include "gui/dialogs/message_box.h"
#include "net/address_block.h"

namespace {

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CAddByAddressDlg::CAddByAddressDlg(const std::vector<std::string>& addresses, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("addByAddressDialog"));
  setWindowTitle(tr("Add by Address"));
  BuildControls();
  for (const std::string& address : addresses) list_->addItem(FromBytes(address));
  connect(entry_, &QLineEdit::textChanged, this, &CAddByAddressDlg::UpdateButtons);
  connect(list_, &QListWidget::itemSelectionChanged, this, &CAddByAddressDlg::UpdateButtons);
  connect(add_, &QPushButton::clicked, this, &CAddByAddressDlg::AddTypedEntry);
  connect(remove_, &QPushButton::clicked, this, &CAddByAddressDlg::RemoveSelected);
  entry_->installEventFilter(this);
  list_->installEventFilter(this);
  entry_->setFocus();
  UpdateButtons();
}

void CAddByAddressDlg::BuildControls() {
  auto* prompt = new QLabel(tr("Cameras are also looked for at these addresses, ranges (192.0.2.10-40) "
                               "and blocks (192.0.2.0/24, at most /22):"),
                            this);
  prompt->setObjectName(QStringLiteral("prompt"));
  prompt->setTextFormat(Qt::PlainText);
  prompt->setWordWrap(true);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("addressList"));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  prompt->setBuddy(list_);
  entry_ = new QLineEdit(this);
  entry_->setObjectName(QStringLiteral("addressEntry"));
  entry_->setMaxLength(64);
  auto* entryLabel = new QLabel(tr("&Address:"), this);
  entryLabel->setObjectName(QStringLiteral("addressLabel"));
  entryLabel->setBuddy(entry_);
  add_ = new QPushButton(tr("A&dd"), this);
  add_->setObjectName(QStringLiteral("addButton"));
  add_->setAutoDefault(false);
  remove_ = new QPushButton(tr("&Remove"), this);
  remove_->setObjectName(QStringLiteral("removeButton"));
  remove_->setAutoDefault(false);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->setObjectName(QStringLiteral("buttonBox"));
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QGridLayout(this);
  layout->addWidget(prompt, 0, 0, 1, 3);
  layout->addWidget(list_, 1, 0, 1, 2);
  layout->addWidget(remove_, 1, 2, Qt::AlignTop);
  layout->addWidget(entryLabel, 2, 0);
  layout->addWidget(entry_, 2, 1);
  layout->addWidget(add_, 2, 2);
  layout->addWidget(buttons_, 3, 0, 1, 3);
  setTabOrder(entry_, add_);
  setTabOrder(add_, list_);
  setTabOrder(list_, remove_);
  setTabOrder(remove_, buttons_);
}

void CAddByAddressDlg::UpdateButtons() {
  add_->setEnabled(!entry_->text().trimmed().isEmpty());
  remove_->setEnabled(!list_->selectedItems().isEmpty());
}

bool CAddByAddressDlg::IsListed(const QString& entry) const {
  return !list_->findItems(entry, Qt::MatchExactly).isEmpty();
}

bool CAddByAddressDlg::AddTypedEntry() {
  const QString text = entry_->text().trimmed();
  if (text.isEmpty()) return false;
  std::vector<uint32_t> addresses;
  std::string error;
  if (!ravix::ParseAddressBlock(text.toStdString(), addresses, error)) {
    ravix::ShowMessageBox(this, FromBytes(error), QMessageBox::Warning);
    entry_->setFocus();
    entry_->selectAll();
    return false;
  }
  if (!IsListed(text)) list_->addItem(text);
  entry_->clear();
  entry_->setFocus();
  return true;
}

void CAddByAddressDlg::RemoveSelected() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  for (QListWidgetItem* item : selected) std::unique_ptr<QListWidgetItem> taken(list_->takeItem(list_->row(item)));
  UpdateButtons();
}

std::vector<std::string> CAddByAddressDlg::Addresses() const {
  std::vector<std::string> addresses;
  for (int row = 0; row < list_->count(); ++row) addresses.push_back(list_->item(row)->text().toStdString());
  return addresses;
}

bool CAddByAddressDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  // An empty entry field leaves Return to the default button (OK).
  if (watched == entry_ && (key == Qt::Key_Return || key == Qt::Key_Enter) && !entry_->text().trimmed().isEmpty()) {
    AddTypedEntry();
    return true;
  }
  if (watched == list_ && key == Qt::Key_Delete) {
    RemoveSelected();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
