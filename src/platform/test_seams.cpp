// Test-only interception points of the platform layer: plain hook pointers, empty unless a
// harness or a fault-test child sets them.
#include "platform/test_seams.h"

#include <cstddef>

namespace platform::test_seams {

namespace {
ExitHook exitHookPointer = nullptr;
NameLookupHook nameLookupHookPointer = nullptr;
}  // namespace

namespace detail {
CallHook callHookPointer = nullptr;
}

void setExitHook(ExitHook hook) { exitHookPointer = hook; }
ExitHook exitHook() { return exitHookPointer; }

void setNameLookupHook(NameLookupHook hook) { nameLookupHookPointer = hook; }
NameLookupHook nameLookupHook() { return nameLookupHookPointer; }

void setCallHook(CallHook hook) { detail::callHookPointer = hook; }

}  // namespace platform::test_seams
