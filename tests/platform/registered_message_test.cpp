#include <gtest/gtest.h>

#include <QObject>

#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/event_post_target.h"
#include "platform/posted_event.h"
#include "platform/registered_message.h"
#include "records/record_event.h"
#include "tests/support/qt_pump.h"

namespace {

using ravix::PostedEvent;

// Stands for the main frame: record events and running states, in arrival order. A running
// state posted with a record changed type (or the other way round) is counted as misread.
class Receiver final : public QObject {
 public:
  struct Note {
    bool isRecord;
    RecordEvent record;
    bool running;
  };
  bool event(QEvent* e) override {
    const QEvent::Type changed = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
    const QEvent::Type running = ravix::RegisterMessageType(ravix::kQueriesRunningMessageName);
    if (const auto* m = PostedEvent<RecordEvent>::From(e, changed)) {
      received.push_back({true, m->Value(), false});
      return true;
    }
    if (const auto* m = PostedEvent<bool>::From(e, running)) {
      received.push_back({false, {}, m->Value()});
      return true;
    }
    if (e->type() == changed || e->type() == running) ++misread;
    return QObject::event(e);
  }
  std::vector<Note> received;
  int misread = 0;
};

TEST(RegisteredMessage, SameNameGivesSameTypeOnEveryThread) {
  const QEvent::Type changed = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
  const QEvent::Type running = ravix::RegisterMessageType(ravix::kQueriesRunningMessageName);
  EXPECT_GE(changed, QEvent::User);
  EXPECT_NE(changed, running);
  std::vector<QEvent::Type> fromThreads(4);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < fromThreads.size(); ++i) {
    threads.emplace_back([&, i] { fromThreads[i] = ravix::RegisterMessageType("mDNSBrowseRecordChanged"); });
  }
  for (auto& t : threads) t.join();
  for (QEvent::Type t : fromThreads) EXPECT_EQ(t, changed);
  EXPECT_EQ(ravix::RegisterMessageType(""), QEvent::None);
  EXPECT_EQ(ravix::RegisterMessageType(nullptr), QEvent::None);
}

TEST(RegisteredMessage, PostsFromWorkersArriveInOrderAndStopAfterDetach) {
  Receiver receiver;
  auto target = ravix::EventPostTarget::Make(&receiver);
  const QEvent::Type changed = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
  const QEvent::Type running = ravix::RegisterMessageType(ravix::kQueriesRunningMessageName);
  std::thread worker([&] {
    EXPECT_TRUE(target->Post(running, true));
    for (uint32_t id = 1; id <= 100; ++id) EXPECT_TRUE(target->Post(changed, RecordEvent{RecordOperation::Update, id}));
    EXPECT_TRUE(target->Post(changed, RecordEvent{RecordOperation::Remove, 7}));
    EXPECT_TRUE(target->Post(running, false));
    EXPECT_TRUE(target->Post(changed, 12345));  // a payload of another type under this type
  });
  worker.join();
  EXPECT_TRUE(receiver.received.empty());  // posted, never sent
  ASSERT_TRUE(PumpUntil([&] { return receiver.received.size() == 103 && receiver.misread == 1; }));
  EXPECT_FALSE(receiver.received.front().isRecord);
  EXPECT_TRUE(receiver.received.front().running);
  for (uint32_t id = 1; id <= 100; ++id) {
    const auto& note = receiver.received[id];
    EXPECT_TRUE(note.isRecord);
    EXPECT_EQ(note.record.Operation, RecordOperation::Update);
    EXPECT_EQ(note.record.RecordID, id);
  }
  EXPECT_EQ(receiver.received[101].record.Operation, RecordOperation::Remove);
  EXPECT_EQ(receiver.received[101].record.RecordID, 7u);
  EXPECT_FALSE(receiver.received[102].isRecord);
  EXPECT_FALSE(receiver.received[102].running);
  EXPECT_FALSE(target->Post(QEvent::None, true));

  target->Detach();
  std::thread late([&] { EXPECT_FALSE(target->Post(changed, RecordEvent{RecordOperation::Update, 5})); });
  late.join();
  PumpUntil([] { return false; }, 20);
  EXPECT_EQ(receiver.received.size(), 103u);
}

TEST(RegisteredMessage, ReceiverGoingAwayWhileWorkersPostIsSafe) {
  const QEvent::Type changed = ravix::RegisterMessageType(ravix::kRecordChangedMessageName);
  auto receiver = std::make_unique<Receiver>();
  auto target = ravix::EventPostTarget::Make(receiver.get());
  std::atomic<bool> stop{false};
  std::atomic<int> refused{0};
  std::thread worker([&] {
    while (!stop) {
      if (!target->Post(changed, RecordEvent{RecordOperation::Update, 1})) ++refused;
    }
  });
  PumpUntil([&] { return receiver->received.size() > 50; });
  target->Detach();
  receiver.reset();  // pending posts die with it
  PumpUntil([] { return false; }, 20);
  stop = true;
  worker.join();
  EXPECT_GT(refused, 0);
}

}  // namespace
