// SetLayeredWindowAttributes, resolved at run time where the system has it.
#pragma once
#include <windows.h>
#include "platform/effects.h"
#include "platform/handles.h"

namespace corvel {

// The wrapper's call, free to be taken to another thread.
struct LayeredCall {
  SetLayeredWindowAttributesFn fn = nullptr;
  BOOL operator()(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) const;
};

class LayeredAttributes {
 public:
  // Loads "User32" and looks the function up.
  void Resolve();
  bool Resolved() const { return fn_ != nullptr; }
  // The one wrapper of every transparency step: nothing, and 0, where unresolved.
  BOOL operator()(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) const { return Call()(hwnd, key, alpha, flags); }
  LayeredCall Call() const { return LayeredCall{fn_}; }

 private:
  LibraryHandle user32_;
  SetLayeredWindowAttributesFn fn_ = nullptr;
};

}  // namespace corvel
