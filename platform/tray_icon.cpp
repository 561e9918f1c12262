#include "platform/tray_icon.h"
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include "platform/handles.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window.h"

namespace corvel {

namespace {

// The calls waiting for the shell, made one after another by one thread that lives as long as
// the process (it is never joined: at exit it may be blocked on a hung shell).
class TrayQueue {
 public:
  struct Call {
    DWORD message;
    bool wide;
    NOTIFYICONDATAA a;
    NOTIFYICONDATAW w;
  };

  static TrayQueue& Instance() {
    static TrayQueue* queue = new TrayQueue;
    return *queue;
  }

  void Push(DWORD message, const NOTIFYICONDATAA& data) { Push(Call{message, false, data, {}}); }
  void Push(DWORD message, const NOTIFYICONDATAW& data) { Push(Call{message, true, {}, data}); }

  void Push(Call call) {
    HICON& icon = call.wide ? call.w.hIcon : call.a.hIcon;
    if (icon) icon = CopyIcon(icon);
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(call);
    ++queued_;
    if (!started_) {
      started_ = true;
      std::thread([this] { Run(); }).detach();
    }
    wake_.notify_one();
  }

  // The number of calls queued so far, and of those made.
  void Counts(unsigned long long& queued, unsigned long long& done) {
    std::lock_guard<std::mutex> lock(mutex_);
    queued = queued_;
    done = done_;
  }

  // Set after every call made, so that a wait for the queue wakes at once instead of polling.
  HANDLE Progress() const { return progress_.get(); }

 private:
  void Run() {
    for (;;) {
      Call call;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return !pending_.empty(); });
        call = pending_.front();
        pending_.pop_front();
      }
      const HICON icon = call.wide ? call.w.hIcon : call.a.hIcon;
      if (call.wide) Shell_NotifyIconW(call.message, &call.w);
      else Shell_NotifyIconA(call.message, &call.a);
      if (icon) DestroyIcon(icon);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ++done_;
      }
      SetEvent(progress_.get());
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Call> pending_;
  unsigned long long queued_ = 0, done_ = 0;
  bool started_ = false;
  KernelHandle progress_{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
};

}  // namespace

namespace {

// The record of either kind, its tip already cut to fit.
template <typename Record, typename Text>
Record MakeRecord(DWORD size, HWND owner, UINT id, UINT callback, HICON icon, const Text& cutTip) {
  Record d;
  std::memset(&d, 0, sizeof d);
  d.cbSize = size;
  d.hWnd = owner;
  d.uID = id;
  d.uFlags = kTrayFlags;
  d.uCallbackMessage = callback;
  d.hIcon = icon;
  std::memcpy(d.szTip, cutTip.c_str(), (cutTip.size() + 1) * sizeof cutTip[0]);
  return d;
}

}  // namespace

NOTIFYICONDATAA MakeNotifyIconData(HWND owner, UINT id, UINT callback, HICON icon, const std::string& tip) {
  return MakeRecord<NOTIFYICONDATAA>(kNotifyIconSize, owner, id, callback, icon, CutAnsi(tip, kTrayTipChars));
}

void NotifyIcon(DWORD message, const NOTIFYICONDATAA& data) {
  // The shell's clicks reach an elevated Corvel as well.
  if (message == NIM_ADD) AcceptFromLowerProcesses(data.hWnd, data.uCallbackMessage);
  TrayQueue::Instance().Push(message, data);
}

NOTIFYICONDATAW MakeNotifyIconDataW(HWND owner, UINT id, UINT callback, HICON icon, const std::wstring& tip) {
  return MakeRecord<NOTIFYICONDATAW>(kNotifyIconSizeW, owner, id, callback, icon, CutWide(tip, kTrayTipChars));
}

void NotifyIcon(DWORD message, const NOTIFYICONDATAW& data) {
  if (UnicodeSystem()) {
    if (message == NIM_ADD) AcceptFromLowerProcesses(data.hWnd, data.uCallbackMessage);
    TrayQueue::Instance().Push(message, data);
    return;
  }
  NOTIFYICONDATAA a = MakeNotifyIconData(data.hWnd, data.uID, data.uCallbackMessage, data.hIcon,
                                         CutAnsi(Narrow(data.szTip), kTrayTipChars));
  a.uFlags = data.uFlags;
  TrayQueue::Instance().Push(message, a);
}

void AddNotifyIcon(const NOTIFYICONDATAA& data) { NotifyIcon(NIM_ADD, data); }

void DeleteNotifyIcon(HWND owner, UINT id) {
  NOTIFYICONDATAA d;
  std::memset(&d, 0, sizeof d);
  d.cbSize = kNotifyIconSize;
  d.hWnd = owner;
  d.uID = id;
  NotifyIcon(NIM_DELETE, d);
}

bool FlushNotifyIcons(DWORD timeoutMs) {
  unsigned long long queued = 0, done = 0;
  TrayQueue::Instance().Counts(queued, done);
  const unsigned long long target = queued;
  // A tray of this very thread (as in the tests) answers only while its sent messages are taken.
  return WaitTakingSentMessages(TrayQueue::Instance().Progress(), timeoutMs, [&] {
    TrayQueue::Instance().Counts(queued, done);
    return done >= target;
  });
}

}  // namespace corvel
