#include "platform/gui_request_queue.h"

#include "platform/thread_handoff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>

namespace ravix {
namespace detail {

struct GuiRequest : std::enable_shared_from_this<GuiRequest> {
  enum class State { Waiting, Running, Answered, Cancelled };

  std::mutex mutex;
  std::condition_variable done;
  State state = State::Waiting;
  std::optional<int> answer;
  std::atomic<bool> cancelled{false};
  bool jobAnswered = false;            // the job called Answer (it does so once)
  GuiRequestQueue::AsyncJob job;       // run and released on the GUI thread
  std::function<void()> onCancel;      // GUI thread only
  std::weak_ptr<GuiRequestCore> core;  // to reach the GUI thread when cancelled while running

  void Cancel();
  bool Finished() const { return state == State::Answered || state == State::Cancelled; }
};

// Lives on the GUI thread; receives the requests and runs their jobs one at a time.
class GuiRequestReceiver final : public QObject {
 public:
  static QEvent::Type RequestEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  class RequestEvent final : public QEvent {
   public:
    explicit RequestEvent(std::shared_ptr<GuiRequest> request)
        : QEvent(RequestEventType()), request_(std::move(request)) {
      HandOff(this);
    }
    std::shared_ptr<GuiRequest> request_;
  };

  bool event(QEvent* event) override {
    TakeOver(event);
    if (event->type() != RequestEventType()) return QObject::event(event);
    queue_.push_back(static_cast<RequestEvent*>(event)->request_);
    Drain();
    return true;
  }

  // The running job answered (GUI thread): the next one starts, from the event loop.
  void JobDone(const GuiRequest* request) {
    if (current_.get() != request) return;
    current_.reset();
    if (starting_ > 0 || queue_.empty()) return;  // a Drain under way goes on by itself
    QMetaObject::invokeMethod(this, [this] { Drain(); }, Qt::QueuedConnection);
  }

  // Called instead of delete by the detaching owner (GUI thread). A receiver with a job
  // being started on the stack deletes itself when that start has returned.
  void Release() {
    if (starting_ == 0) {
      delete this;
      return;
    }
    orphaned_ = true;
    queue_.clear();
  }

 private:
  // A request arriving while a job runs (its dialog is open) waits until that job has
  // answered, so prompts never stack up on the screen.
  void Drain() {
    while (current_ == nullptr && starting_ == 0 && !orphaned_ && !queue_.empty()) {
      std::shared_ptr<GuiRequest> next = std::move(queue_.front());
      queue_.pop_front();
      if (!Start(next)) return;
    }
  }

  // Starts one job on this (the GUI) thread; it answers at once or later. False when the
  // receiver deleted itself (it was detached while the job was being started).
  bool Start(const std::shared_ptr<GuiRequest>& request) {
    GuiRequestQueue::AsyncJob job;  // a copy: the job may answer (and release its own) inside
    {
      std::lock_guard<std::mutex> lock(request->mutex);
      if (request->state != GuiRequest::State::Waiting) return true;
      request->state = GuiRequest::State::Running;
      job = request->job;
    }
    current_ = request;
    ++starting_;
    if (job) {
      job(GuiRequestCall(request));
    } else {
      GuiRequestCall(request).Answer(std::nullopt);
    }
    --starting_;
    if (orphaned_ && starting_ == 0) {
      delete this;  // detached while the job was being started; callers stop using it
      return false;
    }
    return true;
  }

  std::deque<std::shared_ptr<GuiRequest>> queue_;
  std::shared_ptr<GuiRequest> current_;  // started, not answered yet
  int starting_ = 0;                     // job starts on the stack (a synchronous job's own loop)
  bool orphaned_ = false;
};

class GuiRequestCore {
 public:
  void Attach() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiver_ == nullptr) receiver_ = new GuiRequestReceiver;  // owned here; see Detach
  }

  void Detach() {
    GuiRequestReceiver* receiver = nullptr;
    std::vector<std::weak_ptr<GuiRequest>> requests;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      std::swap(receiver, receiver_);
      requests.swap(requests_);
    }
    for (auto& weak : requests) {
      if (auto request = weak.lock()) CancelOnGuiThread(request);
    }
    if (receiver != nullptr) receiver->Release();  // drops the events not yet delivered
  }

  bool IsAttached() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receiver_ != nullptr;
  }

  // Hands the request to the GUI thread; false when not attached.
  bool Submit(const std::shared_ptr<GuiRequest>& request, bool& onGuiThread) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiver_ == nullptr) return false;
    requests_.push_back(request);
    onGuiThread = QThread::currentThread() == receiver_->thread();
    if (!onGuiThread) {
      QCoreApplication::postEvent(receiver_, new GuiRequestReceiver::RequestEvent(request));
    }
    return true;
  }

  // GUI thread: runs a request of the GUI thread itself at once. This thread cannot wait
  // for a job that answers later (a dialog that was opened and goes on in its own
  // signal): such a request is cancelled and its dialog closed.
  static void ExecuteHere(const std::shared_ptr<GuiRequest>& request) {
    GuiRequestQueue::AsyncJob job;
    {
      std::lock_guard<std::mutex> lock(request->mutex);
      if (request->state != GuiRequest::State::Waiting) return;
      request->state = GuiRequest::State::Running;
      job = request->job;
    }
    if (job) {
      job(GuiRequestCall(request));
    } else {
      GuiRequestCall(request).Answer(std::nullopt);
    }
    bool answered = false;
    {
      std::lock_guard<std::mutex> lock(request->mutex);
      answered = request->jobAnswered;
    }
    if (!answered) request->Cancel();
  }

  // GUI thread: the job of request has answered.
  void JobDone(const GuiRequest* request) {
    GuiRequestReceiver* receiver = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      receiver = receiver_;
    }
    if (receiver != nullptr) receiver->JobDone(request);  // only this thread deletes it
  }

  void Forget(const GuiRequest* request) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(requests_, [request](const std::weak_ptr<GuiRequest>& weak) {
      auto locked = weak.lock();
      return !locked || locked.get() == request;
    });
  }

  // A running job learns of the cancel on the GUI thread.
  void NotifyCancelled(const std::shared_ptr<GuiRequest>& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiver_ == nullptr) return;
    QMetaObject::invokeMethod(receiver_, [request] { RunCancelCallback(request); }, Qt::QueuedConnection);
  }

  static void RunCancelCallback(const std::shared_ptr<GuiRequest>& request) {
    std::function<void()> callback;
    {
      std::lock_guard<std::mutex> lock(request->mutex);
      callback = request->onCancel;
    }
    if (callback) callback();
  }

 private:
  void CancelOnGuiThread(const std::shared_ptr<GuiRequest>& request) {
    bool wasRunning = false;
    {
      std::lock_guard<std::mutex> lock(request->mutex);
      if (request->Finished()) return;
      wasRunning = request->state == GuiRequest::State::Running;
      request->state = GuiRequest::State::Cancelled;
      request->cancelled = true;
    }
    request->done.notify_all();
    if (wasRunning) RunCancelCallback(request);
  }

  mutable std::mutex mutex_;
  GuiRequestReceiver* receiver_ = nullptr;
  std::vector<std::weak_ptr<GuiRequest>> requests_;
};

void GuiRequest::Cancel() {
  bool wasRunning = false;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (Finished()) return;
    wasRunning = state == State::Running;
    state = State::Cancelled;
    cancelled = true;
  }
  done.notify_all();
  if (!wasRunning) return;
  if (auto owner = core.lock()) owner->NotifyCancelled(shared_from_this());
}

}  // namespace detail

using detail::GuiRequest;

bool GuiRequestCall::IsCancelled() const { return request_->cancelled.load(); }

void GuiRequestCall::Answer(std::optional<int> answer) const {
  GuiRequestQueue::AsyncJob finishedJob;
  {
    std::lock_guard<std::mutex> lock(request_->mutex);
    if (request_->jobAnswered) return;
    request_->jobAnswered = true;
    finishedJob = std::move(request_->job);  // released below, outside the lock
    request_->onCancel = nullptr;
    if (request_->state == GuiRequest::State::Running) {
      request_->answer = answer;
      request_->state = answer ? GuiRequest::State::Answered : GuiRequest::State::Cancelled;
    }
  }
  request_->done.notify_all();
  if (auto core = request_->core.lock()) core->JobDone(request_.get());
}

void GuiRequestCall::OnCancel(std::function<void()> fn) {
  bool cancelledAlready = false;
  {
    std::lock_guard<std::mutex> lock(request_->mutex);
    request_->onCancel = std::move(fn);
    cancelledAlready = request_->cancelled.load();
  }
  if (!cancelledAlready) return;
  auto request = request_;
  QObject* context = QCoreApplication::instance();
  if (context == nullptr) {
    detail::GuiRequestCore::RunCancelCallback(request);
    return;
  }
  // queued, so that a dialog about to be run is closed once its event loop runs
  QMetaObject::invokeMethod(
      context, [request] { detail::GuiRequestCore::RunCancelCallback(request); }, Qt::QueuedConnection);
}

void GuiRequestCanceller::Cancel() {
  std::vector<std::weak_ptr<GuiRequest>> requests;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    requests.swap(requests_);
  }
  for (auto& weak : requests) {
    if (auto request = weak.lock()) request->Cancel();
  }
}

void GuiRequestCanceller::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = false;
}

bool GuiRequestCanceller::IsCancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

bool GuiRequestCanceller::Add(const std::shared_ptr<GuiRequest>& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (cancelled_) return false;
  requests_.push_back(request);
  return true;
}

void GuiRequestCanceller::Remove(const GuiRequest* request) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(requests_, [request](const std::weak_ptr<GuiRequest>& weak) {
    auto locked = weak.lock();
    return !locked || locked.get() == request;
  });
}

GuiRequestQueue::GuiRequestQueue() : core_(std::make_shared<detail::GuiRequestCore>()) {}

GuiRequestQueue::~GuiRequestQueue() { core_->Detach(); }

void GuiRequestQueue::Attach() { core_->Attach(); }

void GuiRequestQueue::Detach() { core_->Detach(); }

bool GuiRequestQueue::IsAttached() const { return core_->IsAttached(); }

std::optional<int> GuiRequestQueue::Run(Job job, GuiRequestCanceller* canceller) {
  return RunAsync(
      [job = std::move(job)](GuiRequestCall call) {
        GuiRequestCall& asked = call;
        call.Answer(job ? job(asked) : std::nullopt);
      },
      canceller);
}

std::optional<int> GuiRequestQueue::RunAsync(AsyncJob job, GuiRequestCanceller* canceller) {
  auto request = std::make_shared<GuiRequest>();
  request->job = std::move(job);
  request->core = core_;
  if (canceller != nullptr && !canceller->Add(request)) return std::nullopt;
  bool onGuiThread = false;
  std::optional<int> answer;
  if (core_->Submit(request, onGuiThread)) {
    if (onGuiThread) detail::GuiRequestCore::ExecuteHere(request);
    std::unique_lock<std::mutex> lock(request->mutex);
    request->done.wait(lock, [&request] { return request->Finished(); });
    if (request->state == GuiRequest::State::Answered) answer = request->answer;
  }
  core_->Forget(request.get());
  if (canceller != nullptr) canceller->Remove(request.get());
  return answer;
}

}  // namespace ravix
