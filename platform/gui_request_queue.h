#pragma once
// GuiRequestQueue: worker threads have a job (a prompt) run on the GUI thread and wait
// for its answer.
//
// The GUI thread attaches the queue; from then on Run, called on any thread, hands the
// job to the GUI thread and blocks until the job has answered, or until the request is
// cancelled: through the requester's GuiRequestCanceller (discovery closed) or by Detach
// (program exit). A cancelled or refused request answers nullopt at once, which callers
// read as Cancel. Without an attached GUI, Run answers nullopt at once.
//
// Jobs run one after another in the order they arrive. A job opens a dialog and answers
// through its GuiRequestCall when the dialog closes (RunAsync), or answers before it
// returns (Run); the next job starts once the running one has answered. Through OnCancel
// it learns that its asker no longer waits and closes the dialog. A job asked for on the
// GUI thread itself runs at once; as that thread cannot wait, one that does not answer
// before it returns is cancelled (its dialog closed).
//
// Locks: the asking thread must not hold any lock while it waits in Run (in particular
// not the engine's RecordLock); the GUI thread may need that lock to get to the job. Run
// itself holds none of its own while it waits, and the queue never calls out (jobs,
// cancel callbacks) with an internal lock held.

#include <QtGlobal>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace ravix {

namespace detail {
struct GuiRequest;
class GuiRequestCore;
}  // namespace detail

// What a job running on the GUI thread sees of its request.
class GuiRequestCall {
 public:
  explicit GuiRequestCall(std::shared_ptr<detail::GuiRequest> request) : request_(std::move(request)) {}

  // Whether the asker stopped waiting (its answer is then Cancel whatever the job says).
  bool IsCancelled() const;
  // fn runs on the GUI thread once the request is cancelled while the job runs (at once,
  // queued, when it is cancelled already). Used to close the job's dialog.
  void OnCancel(std::function<void()> fn);
  // GUI thread: the job's answer (nullopt: Cancel); the asker wakes with it and the next
  // job may start. Only the first answer counts; one after a cancel is ignored.
  void Answer(std::optional<int> answer) const;

 private:
  std::shared_ptr<detail::GuiRequest> request_;
};

// The requests of one requester, e.g. the discovery engine: Cancel ends the waits of
// all its requests and refuses new ones until Reset. Thread-safe.
class GuiRequestCanceller {
 public:
  GuiRequestCanceller() = default;
  GuiRequestCanceller(const GuiRequestCanceller&) = delete;
  GuiRequestCanceller& operator=(const GuiRequestCanceller&) = delete;

  void Cancel();
  void Reset();
  bool IsCancelled() const;

 private:
  friend class GuiRequestQueue;
  bool Add(const std::shared_ptr<detail::GuiRequest>& request);
  void Remove(const detail::GuiRequest* request);

  mutable std::mutex mutex_;
  bool cancelled_ = false;
  std::vector<std::weak_ptr<detail::GuiRequest>> requests_;
};

class GuiRequestQueue {
 public:
  // Runs on the GUI thread and answers before it returns; nullopt means Cancel.
  using Job = std::function<std::optional<int>(GuiRequestCall&)>;
  // Runs on the GUI thread and answers through call.Answer, at once or later.
  using AsyncJob = std::function<void(GuiRequestCall call)>;

  GuiRequestQueue();
  // Detaches (GUI thread). Nobody may be inside Run any more: end the asking threads first.
  ~GuiRequestQueue();
  GuiRequestQueue(const GuiRequestQueue&) = delete;
  GuiRequestQueue& operator=(const GuiRequestQueue&) = delete;

  // On the GUI thread (a Qt event loop runs there): jobs run on the calling thread.
  void Attach();
  // On the GUI thread: cancels every waiting and running request; later ones get Cancel.
  void Detach();
  bool IsAttached() const;

  // Any thread, holding no lock. The job's answer, or nullopt when cancelled or not attached.
  std::optional<int> Run(Job job, GuiRequestCanceller* canceller = nullptr);
  std::optional<int> RunAsync(AsyncJob job, GuiRequestCanceller* canceller = nullptr);

 private:
  std::shared_ptr<detail::GuiRequestCore> core_;
};

}  // namespace ravix
