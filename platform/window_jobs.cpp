#include "platform/window_jobs.h"
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include "platform/handles.h"
#include "platform/window.h"

namespace corvel {

namespace {

class WindowJobs {
 public:
  static WindowJobs& Instance() {
    static WindowJobs* jobs = new WindowJobs;  // never destroyed: its threads may outlive main
    return *jobs;
  }

  void Run(HWND window, std::function<void()> job) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& queue = queues_[window];
    const bool idle = queue.empty();
    queue.push_back(std::move(job));
    ++pending_;
    // A window's thread lives while its queue has work.
    if (idle) std::thread([this, window] { Work(window); }).detach();
  }

  bool Pending(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    return queues_.count(window) != 0;
  }

  size_t PendingCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_;
  }

  HANDLE Progress() const { return progress_.get(); }

 private:
  void Work(HWND window) {
    for (;;) {
      std::function<void()> job;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        job = queues_[window].front();
      }
      try {
        job();
      } catch (...) {
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        auto& queue = queues_[window];
        queue.pop_front();
        --pending_;
        SetEvent(progress_.get());
        if (queue.empty()) {
          queues_.erase(window);
          return;
        }
      }
    }
  }

  std::mutex mutex_;
  std::map<HWND, std::deque<std::function<void()>>> queues_;
  size_t pending_ = 0;
  KernelHandle progress_{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
};

}  // namespace

void RunWindowJob(HWND window, std::function<void()> job) { WindowJobs::Instance().Run(window, std::move(job)); }

bool WindowJobsPending(HWND window) { return WindowJobs::Instance().Pending(window); }

bool FlushWindowJobs(DWORD timeoutMs) {
  // A job may wait on a window of this very thread: its sent messages are taken meanwhile.
  return WaitTakingSentMessages(WindowJobs::Instance().Progress(), timeoutMs,
                                [] { return WindowJobs::Instance().PendingCount() == 0; });
}

}  // namespace corvel
