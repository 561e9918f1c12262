// The calls into Hooks.dll, through a table so that tests can watch their order.
#pragma once

namespace corvel {

struct HookLibrary {
  void (*SetHook)();
  void (*SetHookAll)();
  void (*DeleteHook)();
};

// The exports of Hooks.dll, bound at load time.
HookLibrary ImportedHookLibrary();

}  // namespace corvel
