// Test-only interception points of the platform layer. A fuzzing harness or a fault-test child
// sets them; the tool never does, and with every hook empty the platform behaves exactly as it
// would without this file (each costs one test of an empty pointer).
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::test_seams {

// Called by exitProcess with the exit status before the process ends. A harness that runs
// many runs in one process throws from it to take control back; if it returns, the process
// ends as usual.
using ExitHook = void (*)(int status);
void setExitHook(ExitHook hook);
ExitHook exitHook();

// Called by nameAttributes with the name it looked up, after the platform has answered. A
// fault test uses it to change the file system between an existence test and the open.
using NameLookupHook = void (*)(std::string_view name);
void setNameLookupHook(NameLookupHook hook);
NameLookupHook nameLookupHook();

// The kinds of operating-system call a fault test can make fail. Allocate covers the
// platform's heap and page blocks; a fault child counts operator new under it too.
enum class SystemCall {
  Open,
  Read,
  Write,
  Close,
  Truncate,
  Rename,
  Link,
  MakeDirectory,
  Remove,
  Stat,
  Map,
  Allocate,
};
inline constexpr int kSystemCallKinds = static_cast<int>(SystemCall::Allocate) + 1;

// What the hook asks of one call: nothing, fail with `error` (nothing done), transfer only
// part of what was asked (reads and writes), or fail once with EINTR as a signal would.
enum class FaultKind { None, Fail, Short, Interrupt };
struct Fault {
  FaultKind kind = FaultKind::None;
  int error = 0;
};

// Asked before every call of a kind above, on whichever thread makes it.
using CallHook = Fault (*)(SystemCall call);
void setCallHook(CallHook hook);

namespace detail {
extern CallHook callHookPointer;
}

inline Fault injectedFault(SystemCall call) {
  const CallHook hook = detail::callHookPointer;
  return hook == nullptr ? Fault{} : hook(call);
}

}  // namespace platform::test_seams
