// The whole tool with faults injected through the platform's test seams, for fault tests that
// need an event at an exact point of the run.
//   fault_child remove-after-lookup    the dialogue; every file the existence test finds is
//                                      removed right after, so the open meets a file gone
//   fault_child inject [ARGUMENTS...]  the command line (the dialogue without arguments) with
//                                      GRO_FAULT=KIND:N:WHAT: the N-th call of KIND (open,
//                                      read, write, close, truncate, rename, link, mkdir,
//                                      unlink, stat, mmap, alloc) fails with the errno named
//                                      WHAT (EIO, ENOSPC, ...), or transfers only part of what
//                                      was asked (short), or fails once with EINTR (EINTR).
//                                      alloc counts operator new as well as the heap blocks.
//                                      GRO_FAULT_COUNTS=FILE: the calls of each kind made are
//                                      written there when the run ends ("read 12" lines).
// Otherwise the run is the tool's own: console, files, reports, status.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "doors/command_run.h"
#include "doors/driver.h"
#include "platform/test_seams.h"
#include "textio/run/run_time.h"

namespace {

using platform::test_seams::Fault;
using platform::test_seams::FaultKind;
using platform::test_seams::kSystemCallKinds;
using platform::test_seams::SystemCall;

constexpr std::array<std::string_view, kSystemCallKinds> kKindNames{
    "open", "read",  "write",  "close", "truncate", "rename",
    "link", "mkdir", "unlink", "stat",  "mmap",     "alloc"};

struct ErrorName {
  std::string_view name;
  int code;
};
constexpr ErrorName kErrorNames[] = {
    {"EIO", EIO},       {"ENOSPC", ENOSPC}, {"EDQUOT", EDQUOT}, {"EACCES", EACCES},
    {"EPERM", EPERM},   {"EROFS", EROFS},   {"EXDEV", EXDEV},   {"ENOMEM", ENOMEM},
    {"EMFILE", EMFILE}, {"ENFILE", ENFILE}, {"EBADF", EBADF},   {"ENOENT", ENOENT},
    {"EAGAIN", EAGAIN}, {"EBUSY", EBUSY},   {"EFBIG", EFBIG},   {"ENOTDIR", ENOTDIR}};

std::atomic<bool> armed{false};
std::array<std::atomic<long>, kSystemCallKinds> counts{};
int targetKind = -1;
long targetCall = 0;
Fault targetFault;
const char* countsFile = nullptr;

Fault nextCall(SystemCall call) {
  if (!armed.load(std::memory_order_relaxed)) return {};
  const auto kind = static_cast<int>(call);
  const long made = counts[static_cast<std::size_t>(kind)].fetch_add(1) + 1;
  return kind == targetKind && made == targetCall ? targetFault : Fault{};
}

// Writes the counts with plain system calls: the seams are disarmed first.
void writeCounts(int) {
  armed = false;
  if (countsFile == nullptr) return;
  std::string text;
  for (int kind = 0; kind < kSystemCallKinds; ++kind) {
    text += std::string(kKindNames[static_cast<std::size_t>(kind)]) + " " +
            std::to_string(counts[static_cast<std::size_t>(kind)].load()) + "\n";
  }
  const int fd = ::open(countsFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::write(fd, text.data(), text.size()) < 0) {
    // Nothing to do: the sweep sees a missing count and fails its check.
  }
  ::close(fd);
}

// KIND:N:WHAT into the target; false when it cannot be read.
bool parsePlan(std::string_view plan) {
  const std::size_t first = plan.find(':');
  const std::size_t second = plan.find(':', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return false;
  const std::string_view kind = plan.substr(0, first);
  const std::string_view what = plan.substr(second + 1);
  for (int k = 0; k < kSystemCallKinds; ++k) {
    if (kKindNames[static_cast<std::size_t>(k)] == kind) targetKind = k;
  }
  targetCall = std::atol(std::string(plan.substr(first + 1, second - first - 1)).c_str());
  if (what == "short") {
    targetFault = {FaultKind::Short, 0};
  } else if (what == "EINTR") {
    targetFault = {FaultKind::Interrupt, EINTR};
  } else {
    for (const ErrorName& error : kErrorNames) {
      if (error.name == what) targetFault = {FaultKind::Fail, error.code};
    }
  }
  return targetKind >= 0 && targetCall > 0 && targetFault.kind != FaultKind::None;
}

void* allocate(std::size_t bytes) {
  if (nextCall(SystemCall::Allocate).kind == FaultKind::Fail) return nullptr;
  return std::malloc(bytes == 0 ? 1 : bytes);
}

void removeLookedUpName(std::string_view name) { ::unlink(std::string(name).c_str()); }

}  // namespace

// Every allocation of the tool through operator new is one "alloc" call of the countdown.
void* operator new(std::size_t bytes) {
  if (void* block = allocate(bytes)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) { return operator new(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return allocate(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return allocate(bytes); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "remove-after-lookup") == 0) {
    platform::test_seams::setNameLookupHook(&removeLookedUpName);
    textio::run::initRunTime();
    doors::run();
    textio::run::endRun();
  }
  if (argc < 2 || std::strcmp(argv[1], "inject") != 0) return 2;
  countsFile = std::getenv("GRO_FAULT_COUNTS");
  if (const char* plan = std::getenv("GRO_FAULT"); plan != nullptr && !parsePlan(plan)) return 2;
  platform::test_seams::setExitHook(&writeCounts);
  platform::test_seams::setCallHook(&nextCall);
  const std::vector<std::string_view> arguments(argv + 2, argv + argc);
  armed = true;
  const int status = doors::runTool(arguments);
  writeCounts(status);
  return status;
}
