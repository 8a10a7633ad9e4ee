#pragma once
// GuiPasswordPrompt: the password prompt as any thread asks for it. The GUI installs the
// dialog as handler of a PasswordPromptService at start-up; a GuiPasswordPrompt asks it
// through that service and waits (holding no lock) for the answer. A prompt that carries
// a login-failed message is asked for only after a pause of 2000 ms on the asking thread,
// so the GUI thread never waits for it. The answer is Cancel at once when no handler is
// installed (no GUI, e.g. when listing cameras on the command line) and as soon as the
// requester's canceller is cancelled (discovery closed) or the handler is removed
// (program exit).
//
// GUI side, once:
//   service.InstallAsyncHandler([](std::shared_ptr<PasswordPromptData> data, ravix::GuiRequestCall call) {
//     auto* dialog = new CDlgPassword(*data);              // closes and deletes itself
//     call.OnCancel([dialog] { dialog->reject(); });
//     connect(dialog, &QDialog::finished, [data, call](int r) { call.Answer(r == QDialog::Accepted ? 1 : 2); });
//     dialog->open();                                      // data read back on OK
//   });

#include "camera/password_prompt.h"
#include "platform/gui_prompt.h"

using PasswordPromptService = ravix::GuiPrompt<PasswordPromptData>;

class GuiPasswordPrompt final : public IPasswordPrompt {
 public:
  explicit GuiPasswordPrompt(PasswordPromptService& service, ravix::GuiRequestCanceller* canceller = nullptr)
      : service_(service), canceller_(canceller) {}

  PromptResult DoModal(PasswordPromptData& data) override;

 private:
  PasswordPromptService& service_;
  ravix::GuiRequestCanceller* canceller_;
};
