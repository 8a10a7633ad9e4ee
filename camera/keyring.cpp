#include "camera/keyring.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QString>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>

#include <qt6keychain/keychain.h>
#include <sodium.h>

#include "platform/debug_trace.h"
#include "platform/thread_handoff.h"

namespace {

// Overwrites the bytes in place, also where another QByteArray (a job's copy) shares them:
// every holder is done with them when this is called.
void WipeBytes(QByteArray& bytes) {
  if (!bytes.isEmpty()) sodium_memzero(const_cast<char*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
  bytes.clear();
}

// The thread every keyring job runs on, started on first use and stopped when the
// process ends. Jobs still waiting then are dropped with it.
//
// Qt hands queued calls and posted events between threads under its own locks, which
// ThreadSanitizer cannot see (Qt is not built for it), so nothing of ours rides on them:
// work goes through a queue under a std::mutex, and Qt carries only a bare event,
// marked with HandOff/TakeOver, that tells the thread to look into the queue. The
// thread's event loop (and with it GLib's wake-up descriptor, which every post writes
// to from the posting thread) exists before anything is posted: run() says so under
// the same mutex before it starts the loop.
class KeyringThread : public QThread {
 public:
  using Work = std::function<void(QObject* context)>;

  KeyringThread() : context_(std::make_unique<QueueRunner>()) {
    setObjectName(QStringLiteral("keyring"));
    context_->moveToThread(this);
    start();
  }
  ~KeyringThread() override {
    quit();
    wait();
  }
  KeyringThread(const KeyringThread&) = delete;
  KeyringThread& operator=(const KeyringThread&) = delete;

  // Queues work to run on the keyring thread.
  static void Post(Work work) {
    KeyringThread& self = Instance();
    {
      std::lock_guard lock(self.queueLock_);
      self.queue_.push_back(std::move(work));
    }
    auto* wake = new QEvent(RunQueuedEvent());  // Qt takes it
    ravix::HandOff(wake);
    QCoreApplication::postEvent(self.context_.get(), wake);
  }

 protected:
  void run() override {
    {
      std::lock_guard lock(queueLock_);
      running_.store(true, std::memory_order_release);
    }
    runningChanged_.notify_all();
    exec();
  }

 private:
  // Lives on the keyring thread: the jobs' parent, and the receiver of the wake-ups.
  class QueueRunner : public QObject {
   public:
    bool event(QEvent* event) override {
      ravix::TakeOver(event);
      if (event->type() != RunQueuedEvent()) return QObject::event(event);
      RunQueued();
      return true;
    }
  };

  static QEvent::Type RunQueuedEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  static KeyringThread& Instance() {
    static KeyringThread instance;
    instance.WaitRunning();  // outside the static's guard, where the wait is seen
    return instance;
  }

  void WaitRunning() {
    std::unique_lock lock(queueLock_);
    runningChanged_.wait(lock, [this] { return running_.load(std::memory_order_acquire); });
  }

  // On the keyring thread: runs what is queued, one piece at a time, without the lock.
  static void RunQueued() {
    KeyringThread& self = Instance();
    for (;;) {
      Work work;
      {
        std::lock_guard lock(self.queueLock_);
        if (self.queue_.empty()) return;
        work = std::move(self.queue_.front());
        self.queue_.pop_front();
      }
      work(self.context_.get());
    }
  }

  std::unique_ptr<QueueRunner> context_;
  std::mutex queueLock_;
  std::condition_variable runningChanged_;
  // Set under queueLock_; atomic as well (see CKeyring::Answer::finished).
  std::atomic<bool> running_{false};
  std::deque<Work> queue_;
};

}  // namespace

// One job's answer, shared by the waiting caller and the keyring thread (which may
// finish the job after the caller stopped waiting).
struct CKeyring::Answer {
  std::mutex mutex;
  std::condition_variable done;
  // Set last, under mutex. Atomic as well, with release and acquire: the answer's other
  // fields then reach the waiting thread through this flag itself, which
  // ThreadSanitizer sees even where it misses the mutex handed over inside the
  // condition wait (it reported the keyring thread's answer as a race).
  std::atomic<bool> finished{false};
  QKeychain::Error error = QKeychain::NoError;
  std::string errorText;
  SecureBytes data;
};

CKeyring::CKeyring(std::chrono::milliseconds timeout, std::chrono::milliseconds firstContactTimeout)
    : timeout_(timeout), firstContactTimeout_(firstContactTimeout) {}

CKeyring::~CKeyring() = default;

bool CKeyring::Reachable() const {
  std::lock_guard lock(mutex_);
  return !gone_;
}

std::string CKeyring::Problem() const {
  std::lock_guard lock(mutex_);
  return problem_;
}

std::chrono::milliseconds CKeyring::NextWait() const {
  std::lock_guard lock(mutex_);
  return answered_ ? timeout_ : std::max(timeout_, firstContactTimeout_);
}

void CKeyring::MarkAnswered() {
  std::lock_guard lock(mutex_);
  answered_ = true;
}

void CKeyring::MarkGone(const std::string& problem) {
  std::lock_guard lock(mutex_);
  if (gone_) return;
  gone_ = true;
  problem_ = problem;
  DebugTrace("Desktop keyring: %s; it is not asked again in this run", problem.c_str());
}

CKeyring::Result CKeyring::Run(const JobFactory& makeJob, const std::string& what, SecureBytes* out) {
  if (!Reachable()) return Result::Unavailable;
  auto answer = std::make_shared<Answer>();
  KeyringThread::Post([makeJob, answer](QObject* context) {
    QKeychain::Job* job = makeJob(context);  // owned by context until it deletes itself when finished
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QObject::connect(job, &QKeychain::Job::finished, context, [answer](QKeychain::Job* finished) {
      std::lock_guard lock(answer->mutex);
      answer->error = finished->error();
      answer->errorText = finished->errorString().toStdString();
      if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished); read && answer->error == QKeychain::NoError) {
        QByteArray bytes = read->binaryData();
        answer->data.Assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        WipeBytes(bytes);
      }
      answer->finished.store(true, std::memory_order_release);
      answer->done.notify_all();
    });
    job->start();
  });
  const std::chrono::milliseconds wait = NextWait();
  std::unique_lock lock(answer->mutex);
  if (!answer->done.wait_for(lock, wait, [&] { return answer->finished.load(std::memory_order_acquire); })) {
    lock.unlock();
    MarkGone(what + " got no answer within " + std::to_string(wait.count()) + " ms (locked, or the service hangs)");
    return Result::Unavailable;
  }
  lock.unlock();
  MarkAnswered();
  lock.lock();
  switch (answer->error) {
    case QKeychain::NoError:
      if (out != nullptr) *out = std::move(answer->data);
      return Result::Ok;
    case QKeychain::EntryNotFound:
      return Result::NotFound;
    default:
      break;
  }
  const std::string problem = what + " failed: " + answer->errorText;
  lock.unlock();
  MarkGone(problem);
  return Result::Unavailable;
}

CKeyring::Result CKeyring::Read(const std::string& name, const std::string& label, SecureBytes& out) {
  out.Clear();
  const QString service = QString::fromStdString(label);
  const QString key = QString::fromStdString(name);
  return Run(
      [service, key](QObject* parent) {
        auto* job = new QKeychain::ReadPasswordJob(service, parent);
        job->setKey(key);
        return job;
      },
      "reading '" + label + "'", &out);
}

CKeyring::Result CKeyring::Write(const std::string& name, const std::string& label, const SecureBytes& secret) {
  const QString service = QString::fromStdString(label);
  const QString key = QString::fromStdString(name);
  // The job shares these bytes; they are wiped once it finished, even after the wait ended.
  auto bytes = std::make_shared<QByteArray>(reinterpret_cast<const char*>(secret.data()),
                                            static_cast<qsizetype>(secret.size()));
  const Result result = Run(
      [service, key, bytes](QObject* parent) {
        auto* job = new QKeychain::WritePasswordJob(service, parent);
        job->setKey(key);
        job->setBinaryData(*bytes);
        QObject::connect(job, &QKeychain::Job::finished, parent, [bytes] { WipeBytes(*bytes); });
        return job;
      },
      "writing '" + label + "'", nullptr);
  return result;
}

CKeyring::Result CKeyring::Remove(const std::string& name, const std::string& label) {
  const QString service = QString::fromStdString(label);
  const QString key = QString::fromStdString(name);
  return Run(
      [service, key](QObject* parent) {
        auto* job = new QKeychain::DeletePasswordJob(service, parent);
        job->setKey(key);
        return job;
      },
      "removing '" + label + "'", nullptr);
}
