// The calls into Hooks.dll, through a table so that tests can watch their order.
#pragma once

namespace corvel {

struct HookLibrary {
  void (*SetHook)();
  void (*SetHookAll)();
  void (*DeleteHook)();
  // Loads the library; false when it cannot be (no table entry: always there).
  bool (*Load)() = nullptr;
};

// Hooks.dll of the program's folder, loaded only when the button is drawn into title bars: with
// the button's own windows no hook library goes into any program.
HookLibrary LoadedHookLibrary();

}  // namespace corvel
