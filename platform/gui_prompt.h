#pragma once
// GuiPrompt<Data>: a prompt that the GUI thread shows for any thread. The GUI installs
// the handler that shows it (a dialog filled from and read back into Data); askers
// get the handler's answer with the data as the user left it, or nullopt (Cancel) with
// their data untouched: when no handler is installed, when their canceller was cancelled
// or when the handler was removed. See GuiRequestQueue for threads and locks.

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/gui_request_queue.h"

namespace ravix {

template <class Data>
class GuiPrompt {
 public:
  // Answers before it returns.
  using Handler = std::function<int(Data& data, GuiRequestCall& call)>;
  // Opens its dialog and answers through call.Answer when it closes; it keeps data (the
  // asker's copy, read back on an answer) as long as its dialog uses it.
  using AsyncHandler = std::function<void(std::shared_ptr<Data> data, GuiRequestCall call)>;

  // GUI thread. The handler gets its own copy of the asker's data.
  void InstallHandler(Handler handler) {
    InstallAsyncHandler([handler = std::move(handler)](std::shared_ptr<Data> data, GuiRequestCall call) {
      GuiRequestCall& asked = call;
      call.Answer(handler(*data, asked));
    });
  }
  void InstallAsyncHandler(AsyncHandler handler) {
    handler_ = std::move(handler);
    queue_.Attach();
  }
  // GUI thread; ends every pending prompt with Cancel.
  void RemoveHandler() {
    queue_.Detach();
    handler_ = nullptr;
  }
  bool HasHandler() const { return queue_.IsAttached(); }

  // Any thread, holding no lock.
  std::optional<int> Ask(Data& data, GuiRequestCanceller* canceller = nullptr) {
    auto copy = std::make_shared<Data>(data);
    const std::optional<int> answer = queue_.RunAsync(
        [this, copy](GuiRequestCall call) {
          if (!handler_) {
            call.Answer(std::nullopt);
            return;
          }
          handler_(copy, call);
        },
        canceller);
    if (answer) data = *copy;
    return answer;
  }

 private:
  GuiRequestQueue queue_;
  AsyncHandler handler_;  // used on the GUI thread only
};

}  // namespace ravix
