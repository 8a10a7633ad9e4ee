#include <gtest/gtest.h>

#include <QObject>

#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/event_post_target.h"
#include "platform/registered_message.h"
#include "qt_pump.h"

namespace {

using ravix::RegisteredMessageEvent;

class Receiver final : public QObject {
 public:
  bool event(QEvent* e) override {
    for (QEvent::Type type : {ravix::RegisterMessageType(ravix::kRecordChangedMessageName),
                              ravix::RegisterMessageType(ravix::kQueriesRunningMessageName)}) {
      if (const auto* m = RegisteredMessageEvent::From(e, type)) {
        received.push_back({type, {m->WParam(), m->LParam()}});
        return true;
      }
    }
    return QObject::event(e);
  }
  std::vector<std::pair<int, std::pair<std::uintptr_t, std::intptr_t>>> received;
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
    EXPECT_TRUE(target->Post(running, 1, 0));
    for (std::intptr_t id = 1; id <= 100; ++id) EXPECT_TRUE(target->Post(changed, 1, id));
    EXPECT_TRUE(target->Post(changed, 2, 7));
    EXPECT_TRUE(target->Post(running, 0, 0));
  });
  worker.join();
  EXPECT_TRUE(receiver.received.empty());  // posted, never sent
  ASSERT_TRUE(PumpUntil([&] { return receiver.received.size() == 103; }));
  EXPECT_EQ(receiver.received.front().first, running);
  EXPECT_EQ(receiver.received.front().second.first, 1u);
  for (std::intptr_t id = 1; id <= 100; ++id) {
    EXPECT_EQ(receiver.received[static_cast<std::size_t>(id)].second.second, id);
  }
  EXPECT_EQ(receiver.received[101].second, std::make_pair(std::uintptr_t{2}, std::intptr_t{7}));
  EXPECT_FALSE(target->Post(QEvent::None, 1, 1));

  target->Detach();
  std::thread late([&] { EXPECT_FALSE(target->Post(changed, 1, 5)); });
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
      if (!target->Post(changed, 1, 1)) ++refused;
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
