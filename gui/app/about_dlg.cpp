#include "gui/app/about_dlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutDlg"));
  setWindowTitle(tr("About Zorvik IP Camera Finder"));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIcon"));
  icon->setPixmap(QIcon(QStringLiteral(":/app/icons/ravixfinder.svg")).pixmap(32, 32));
  auto* title = new QLabel(tr("Zorvik IP Camera Finder"), this);
  title->setObjectName(QStringLiteral("aboutTitle"));
  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("aboutSeparator"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  auto* text = new QLabel(tr("Finds the Zorvik IP cameras on the local networks."), this);
  text->setObjectName(QStringLiteral("aboutText"));
  auto* version = new QLineEdit(QString::fromLatin1(kVersion), this);
  version->setObjectName(QStringLiteral("versionEdit"));
  version->setReadOnly(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setObjectName(QStringLiteral("aboutButtons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* head = new QHBoxLayout;
  head->addWidget(icon);
  head->addWidget(title, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(line);
  layout->addWidget(text);
  layout->addWidget(version);
  layout->addWidget(buttons);
}
