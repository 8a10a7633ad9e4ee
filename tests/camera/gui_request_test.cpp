#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "camera/gui_password_prompt.h"
#include "platform/gui_prompt.h"
#include "tests/support/qt_pump.h"

namespace {

using ravix::GuiRequestCall;
using ravix::GuiRequestCanceller;

struct Question {
  std::string user;
  std::string answerText;
};

// A stand-in for a modal dialog: runs a nested event loop until answered or cancelled.
class FakeDialogs {
 public:
  // Each dialog is answered after delayMs with 1 and the text "answer to <user>",
  // unless autoAnswer is off; then it stays open until cancelled.
  explicit FakeDialogs(bool autoAnswer, int delayMs = 5) : autoAnswer_(autoAnswer), delayMs_(delayMs) {}

  int Show(Question& q, GuiRequestCall& call) {
    if (++shown == 1 && onFirstShow) QTimer::singleShot(30, onFirstShow);
    if (++open > maxOpen) maxOpen = open.load();
    QEventLoop loop;
    int result = 2;
    call.OnCancel([&] {
      ++cancelSeen;
      loop.quit();
    });
    if (autoAnswer_) {
      QTimer::singleShot(delayMs_, &loop, [&] {
        q.answerText = "answer to " + q.user;
        result = 1;
        loop.quit();
      });
    }
    loop.exec();
    --open;
    return result;
  }

  // Runs on the GUI thread inside the first dialog's event loop, as a user's command would.
  std::function<void()> onFirstShow;
  std::atomic<int> shown{0};
  std::atomic<int> open{0};
  std::atomic<int> maxOpen{0};
  std::atomic<int> cancelSeen{0};

 private:
  bool autoAnswer_;
  int delayMs_;
};

struct Asker {
  std::thread thread;
  std::atomic<bool> done{false};
  std::optional<int> answer;
  Question question;

  void Start(ravix::GuiPrompt<Question>& prompt, GuiRequestCanceller* canceller, std::string user) {
    question.user = std::move(user);
    thread = std::thread([this, &prompt, canceller] {
      answer = prompt.Ask(question, canceller);
      done = true;
    });
  }
  ~Asker() {
    if (thread.joinable()) thread.join();
  }
};

TEST(GuiPromptRequest, WorkerGetsTheAnswerAndTheDataAsTheUserLeftIt) {
  ravix::GuiPrompt<Question> prompt;
  FakeDialogs dialogs(true);
  prompt.InstallHandler([&](Question& q, GuiRequestCall& call) { return dialogs.Show(q, call); });
  Asker asker;
  asker.Start(prompt, nullptr, "admin");
  ASSERT_TRUE(PumpUntil([&] { return asker.done.load(); }));
  asker.thread.join();
  EXPECT_EQ(asker.answer, 1);
  EXPECT_EQ(asker.question.answerText, "answer to admin");
}

TEST(GuiPromptRequest, WithoutHandlerTheAnswerIsCancelAtOnce) {
  ravix::GuiPrompt<Question> prompt;
  Question q{"admin", ""};
  EXPECT_FALSE(prompt.Ask(q).has_value());  // GUI thread
  std::optional<int> fromWorker = 7;
  std::thread worker([&] { fromWorker = prompt.Ask(q); });  // nobody pumps events meanwhile
  worker.join();
  EXPECT_FALSE(fromWorker.has_value());

  FakeDialogs dialogs(true);
  prompt.InstallHandler([&](Question& qq, GuiRequestCall& call) { return dialogs.Show(qq, call); });
  prompt.RemoveHandler();
  std::thread after([&] { fromWorker = prompt.Ask(q); });
  after.join();
  EXPECT_FALSE(fromWorker.has_value());
  EXPECT_EQ(dialogs.shown, 0);

  PasswordPromptService service;
  GuiPasswordPrompt passwordPrompt(service);
  PasswordPromptData data;
  data.Password = "kept";
  EXPECT_EQ(passwordPrompt.DoModal(data), PromptResult::Cancel);
  EXPECT_EQ(data.Password, "kept");
}

// A handler that opens its dialog and answers when it closes, as the finder's password
// prompt does: the GUI thread's loop is the only loop; prompts still come one at a time;
// a cancel reaches the open dialog, and the GUI thread asking itself gets Cancel (it cannot
// wait) with the dialog closed.
TEST(GuiPromptRequest, HandlerAnsweringLaterKeepsOnePromptAtATimeWithoutALoopOfItsOwn) {
  ravix::GuiPrompt<Question> prompt;
  int open = 0;
  int maxOpen = 0;
  int closedByCancel = 0;
  bool answerLater = true;
  prompt.InstallAsyncHandler([&](std::shared_ptr<Question> q, GuiRequestCall call) {
    maxOpen = std::max(maxOpen, ++open);
    auto closed = std::make_shared<bool>(false);
    call.OnCancel([&open, &closedByCancel, closed, call] {  // the dialog's reject
      if (std::exchange(*closed, true)) return;
      --open;
      ++closedByCancel;
      call.Answer(std::nullopt);
    });
    if (!answerLater) return;  // stays open until cancelled
    QTimer::singleShot(20, [&open, q, call, closed] {
      if (std::exchange(*closed, true)) return;
      q->answerText = "answer to " + q->user;
      --open;
      call.Answer(1);
    });
  });
  Asker first, second;
  first.Start(prompt, nullptr, "cam1");
  second.Start(prompt, nullptr, "cam2");
  ASSERT_TRUE(PumpUntil([&] { return first.done.load() && second.done.load(); }));
  EXPECT_EQ(first.answer, 1);
  EXPECT_EQ(second.answer, 1);
  EXPECT_EQ(first.question.answerText, "answer to cam1");
  EXPECT_EQ(second.question.answerText, "answer to cam2");
  EXPECT_EQ(maxOpen, 1);

  // Discovery closes while the dialog is open: the asker gets Cancel, the dialog closes,
  // and the next prompt is shown after it.
  answerLater = false;
  GuiRequestCanceller canceller;
  Asker cancelled;
  cancelled.Start(prompt, &canceller, "gone");
  ASSERT_TRUE(PumpUntil([&] { return open == 1; }));
  canceller.Cancel();
  ASSERT_TRUE(PumpUntil([&] { return cancelled.done.load() && open == 0; }));
  EXPECT_FALSE(cancelled.answer.has_value());
  EXPECT_EQ(closedByCancel, 1);
  answerLater = true;
  Asker next;
  next.Start(prompt, nullptr, "next");
  ASSERT_TRUE(PumpUntil([&] { return next.done.load(); }));
  EXPECT_EQ(next.answer, 1);

  answerLater = false;
  Question here{"gui", ""};
  EXPECT_FALSE(prompt.Ask(here).has_value());  // the GUI thread cannot wait for a later answer
  EXPECT_TRUE(PumpUntil([&] { return open == 0; })) << "its dialog was closed";
  EXPECT_EQ(here.answerText, "");
}

TEST(GuiPromptRequest, ClosingTheRequesterEndsTheWaitAndClosesTheOpenDialog) {
  ravix::GuiPrompt<Question> prompt;
  FakeDialogs dialogs(false);
  prompt.InstallHandler([&](Question& q, GuiRequestCall& call) { return dialogs.Show(q, call); });
  GuiRequestCanceller discovery;
  Asker first, second;
  // discovery is closed while the first dialog is open and the second request waits behind it
  dialogs.onFirstShow = [&] { discovery.Cancel(); };
  first.Start(prompt, &discovery, "one");
  ASSERT_TRUE(PumpUntil([&] { return dialogs.shown == 1 || first.done; }));
  second.Start(prompt, &discovery, "two");
  ASSERT_TRUE(PumpUntil([&] { return first.done && second.done && dialogs.open == 0; }));
  EXPECT_FALSE(first.answer.has_value());
  EXPECT_FALSE(second.answer.has_value());
  EXPECT_EQ(first.question.answerText, "");
  EXPECT_EQ(dialogs.cancelSeen, 1);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(dialogs.shown, 1);  // the queued one never showed

  Asker late;  // a closed requester is refused until it starts again
  late.Start(prompt, &discovery, "late");
  late.thread.join();
  EXPECT_FALSE(late.answer.has_value());
  discovery.Reset();
  FakeDialogs answering(true);
  prompt.InstallHandler([&](Question& q, GuiRequestCall& call) { return answering.Show(q, call); });
  Asker again;
  again.Start(prompt, &discovery, "again");
  ASSERT_TRUE(PumpUntil([&] { return again.done.load(); }));
  EXPECT_EQ(again.answer, 1);
}

TEST(GuiPromptRequest, ProgramExitEndsEveryWait) {
  auto prompt = std::make_unique<ravix::GuiPrompt<Question>>();
  FakeDialogs dialogs(false);
  prompt->InstallHandler([&](Question& q, GuiRequestCall& call) { return dialogs.Show(q, call); });
  Asker a, b;
  // the quit request arrives while the first dialog's own event loop runs
  dialogs.onFirstShow = [&] { prompt->RemoveHandler(); };
  a.Start(*prompt, nullptr, "a");
  b.Start(*prompt, nullptr, "b");
  ASSERT_TRUE(PumpUntil([&] { return a.done && b.done && dialogs.open == 0; }));
  EXPECT_FALSE(a.answer.has_value());
  EXPECT_FALSE(b.answer.has_value());
  a.thread.join();
  b.thread.join();
  PumpUntil([] { return false; }, 20);
  prompt.reset();
}

TEST(GuiPromptRequest, ManyWorkersAreAnsweredOneDialogAtATime) {
  ravix::GuiPrompt<Question> prompt;
  FakeDialogs dialogs(true, 1);
  prompt.InstallHandler([&](Question& q, GuiRequestCall& call) { return dialogs.Show(q, call); });
  constexpr int kWorkers = 12;
  std::vector<std::unique_ptr<Asker>> askers;
  for (int i = 0; i < kWorkers; ++i) {
    askers.push_back(std::make_unique<Asker>());
    askers.back()->Start(prompt, nullptr, "cam" + std::to_string(i));
  }
  ASSERT_TRUE(PumpUntil([&] {
    for (auto& a : askers) {
      if (!a->done) return false;
    }
    return true;
  }));
  for (int i = 0; i < kWorkers; ++i) {
    EXPECT_EQ(askers[static_cast<std::size_t>(i)]->answer, 1);
    EXPECT_EQ(askers[static_cast<std::size_t>(i)]->question.answerText, "answer to cam" + std::to_string(i));
  }
  EXPECT_EQ(dialogs.shown, kWorkers);
  EXPECT_EQ(dialogs.maxOpen, 1);
}

TEST(GuiPromptRequest, GuiThreadAsksItsOwnPromptDirectly) {
  PasswordPromptService service;
  service.InstallHandler([](PasswordPromptData& data, GuiRequestCall&) {
    data.UserName = "typed";
    data.Password = "pw";
    data.Save = false;
    return 1;
  });
  GuiPasswordPrompt prompt(service);
  PasswordPromptData data = MakeDefaultPasswordPrompt();
  EXPECT_EQ(prompt.DoModal(data), PromptResult::Ok);
  EXPECT_EQ(data.UserName, "typed");
  EXPECT_EQ(data.Password, "pw");
  EXPECT_FALSE(data.Save);
}

TEST(GuiPromptRequest, DialogThatAnswersCancelLeavesTheAskersDataAlone) {
  PasswordPromptService service;
  service.InstallHandler([](PasswordPromptData& data, GuiRequestCall&) {
    data.UserName = "half typed";
    return 2;
  });
  GuiRequestCanceller canceller;
  GuiPasswordPrompt prompt(service, &canceller);
  PasswordPromptData data;
  data.UserName = "before";
  PromptResult result = PromptResult::Ok;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = prompt.DoModal(data);
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(result, PromptResult::Cancel);
  EXPECT_EQ(data.UserName, "before");
}

}  // namespace
