#pragma once
// CReachCameraDlg: "Reach Camera". It tells where a camera that no adapter reaches sits and
// which temporary address the finder proposes for the camera's adapter (a link-local one
// for a camera at 169.254/16), lets the user type another address in the camera's subnet,
// and refuses one that would not reach the camera. It changes nothing itself: once it is
// accepted, Candidates() are the addresses to try, best first.

#include <QDialog>

#include <string>
#include <vector>

#include "finder/first_contact.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;

class CReachCameraDlg final : public QDialog {
  Q_OBJECT

 public:
  // The camera's name (from the network) is shown as plain text.
  explicit CReachCameraDlg(FirstContactProposal proposal, QWidget* parent = nullptr);

  // The addresses ("a.b.c.d/n") to try in order: the proposed ones while the field holds
  // the first of them, else the typed one; empty for a link-local address.
  std::vector<std::string> Candidates() const;
  const FirstContactProposal& Proposal() const { return proposal_; }

 private:
  void BuildControls();
  // OK follows the field: enabled for an address that reaches the camera, else the reason.
  void CheckEntry();

  FirstContactProposal proposal_;
  QLineEdit* entry_ = nullptr;
  QLabel* problem_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};
