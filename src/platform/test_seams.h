// Test-only interception points of the platform layer. A fuzzing harness or a fault-test child
// sets them; the tool never does, and with every hook empty the platform behaves exactly as it
// would without this file.
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

}  // namespace platform::test_seams
