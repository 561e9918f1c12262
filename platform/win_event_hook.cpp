#include "platform/win_event_hook.h"

namespace corvel {

namespace {

using SetWinEventHookFn = HWINEVENTHOOK(WINAPI*)(DWORD, DWORD, HMODULE, WINEVENTPROC, DWORD, DWORD, DWORD);
using UnhookWinEventFn = BOOL(WINAPI*)(HWINEVENTHOOK);

template <typename Fn>
Fn User32Function(const char* name) {
  return ModuleFunction<Fn>(GetModuleHandleA("user32.dll"), name);
}

// The callback has no context of its own; one set of hooks listens at a time.
WinEventHooks* g_listening = nullptr;

}  // namespace

void WinEventHookTraits::close(HWINEVENTHOOK h) {
  static const UnhookWinEventFn unhook = User32Function<UnhookWinEventFn>("UnhookWinEvent");
  if (unhook) unhook(h);
}

bool WinEventHooks::Available() { return User32Function<SetWinEventHookFn>("SetWinEventHook") != nullptr; }

bool WinEventHooks::Add(DWORD first, DWORD last, Handler handler) {
  static const SetWinEventHookFn set = User32Function<SetWinEventHookFn>("SetWinEventHook");
  if (!set || (g_listening && g_listening != this)) return false;
  WinEventHookHandle hook(set(first, last, nullptr, &WinEventHooks::Proc, 0, 0, WINEVENT_OUTOFCONTEXT));
  if (!hook) return false;
  if (hooks_.empty()) handler_ = std::move(handler);
  hooks_.push_back(std::move(hook));
  g_listening = this;
  return true;
}

void WinEventHooks::Stop() {
  hooks_.clear();
  if (g_listening == this) g_listening = nullptr;
  handler_ = nullptr;
}

void CALLBACK WinEventHooks::Proc(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  // Carets, cursors and parts of windows: nothing to do, and nothing spent on them.
  if (object != OBJID_WINDOW || child != CHILDID_SELF || !window) return;
  WinEventHooks* self = g_listening;
  if (!self || !self->handler_) return;
  try {
    self->handler_(event, window);
  } catch (...) {
    // Nothing may leave through the system's callback; the next event tries again.
  }
}

}  // namespace corvel
