#pragma once
// CPageAssignSource: the first page of the address wizard: a range (first address,
// prefix, gateway, name server, host name pattern; DHCP off) or a plan file. A plan that
// cannot be used is explained on the page and Next stays put.

#include <QWizardPage>

class CAssignAddressesWizard;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

class CPageAssignSource : public QWizardPage {
  Q_OBJECT

 public:
  explicit CPageAssignSource(CAssignAddressesWizard& wizard);

  // Makes the wizard's plan; false (with the faults shown) when it cannot be used.
  bool validatePage() override;

 private:
  void Browse();
  bool MakeRange();
  bool ReadFile();

  CAssignAddressesWizard& wizard_;
  QRadioButton* useRange_;
  QRadioButton* useFile_;
  QLineEdit* first_;
  QSpinBox* prefix_;
  QLineEdit* gateway_;
  QLineEdit* nameServer_;
  QLineEdit* pattern_;
  QLineEdit* file_;
  QLabel* faults_;
};
