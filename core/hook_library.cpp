#include "core/hook_library.h"
#include "hooks/hooks.h"

namespace corvel {

HookLibrary ImportedHookLibrary() { return HookLibrary{&::SetHook, &::SetHookAll, &::DeleteHook}; }

}  // namespace corvel
