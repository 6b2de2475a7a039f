// POSIX implementation of the process services: environment, error texts, exit, the
// console-event thread (signals taken from a signalfd), floating-point masks, pages, call stack.
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <fenv.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_seams.h"

namespace platform {

std::optional<std::string> environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> errorText(ErrorCode code) {
  // strerrordesc_np answers nullptr for codes it does not know, where strerror would invent
  // "Unknown error N"; it is also thread-safe and independent of the locale.
  const char* text = ::strerrordesc_np(code);
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

void exitProcess(int status) {
  if (test_seams::ExitHook hook = test_seams::exitHook()) hook(status);
  ::_exit(status);
}

long processId() { return static_cast<long>(::getpid()); }

void suppressErrorDialogs() {}

void ignoreBrokenPipe() { ::signal(SIGPIPE, SIG_IGN); }

namespace {

ConsoleEventHandler consoleHandler = nullptr;

int eventOf(int signal) {
  switch (signal) {
    case SIGINT:
      return static_cast<int>(ConsoleEvent::ControlC);
    case SIGQUIT:
      return static_cast<int>(ConsoleEvent::ControlBreak);
    case SIGTERM:
      return static_cast<int>(ConsoleEvent::Terminate);
    default:
      return static_cast<int>(ConsoleEvent::Close);
  }
}

sigset_t consoleSignals(TerminateEvent terminate) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGQUIT);
  sigaddset(&set, SIGHUP);
  if (terminate == TerminateEvent::Delivered) sigaddset(&set, SIGTERM);
  return set;
}

int signalHandle = -1;

// Taking a signal off the signalfd and noting that one was taken happen under this lock, so
// yieldToConsoleEvent finds every signal either still pending or already taken.
std::mutex& takeMutex() {
  static auto* mutex = new std::mutex;  // never destroyed: the event thread outlives exit
  return *mutex;
}
bool eventTaken = false;

// Takes one console signal, when there is one, into `signal`.
bool takeSignal(int& signal) {
  signalfd_siginfo info{};
  // Non-blocking: the other thread may have taken it since the poll.
  if (::read(signalHandle, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return false;
  eventTaken = true;
  signal = static_cast<int>(info.ssi_signo);
  return true;
}

// The handler's turn; a signal it does not handle gets its default action, from this thread.
void dispatch(int signal) {
  if (consoleHandler != nullptr && consoleHandler(eventOf(signal))) {
    std::lock_guard<std::mutex> hold(takeMutex());
    eventTaken = false;
    return;
  }
  ::signal(signal, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  ::raise(signal);
}

void* consoleEventLoop(void*) {
  for (;;) {
    pollfd ready{signalHandle, POLLIN, 0};
    if (::poll(&ready, 1, -1) < 0) continue;
    int signal = 0;
    bool taken = false;
    {
      std::lock_guard<std::mutex> hold(takeMutex());
      taken = takeSignal(signal);
    }
    if (taken) dispatch(signal);
  }
  return nullptr;
}

}  // namespace

int consoleEventSignal(int event) {
  switch (static_cast<ConsoleEvent>(event)) {
    case ConsoleEvent::ControlC:
      return SIGINT;
    case ConsoleEvent::ControlBreak:
      return SIGQUIT;
    case ConsoleEvent::Terminate:
      return SIGTERM;
    default:
      return SIGHUP;
  }
}

bool startConsoleEvents(ConsoleEventHandler handler, TerminateEvent terminate) {
  consoleHandler = handler;
  const sigset_t set = consoleSignals(terminate);
  // Blocked here, the signals stay pending until they are taken; every thread started later
  // inherits the mask, so no other thread is interrupted by them.
  if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return false;
  signalHandle = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signalHandle < 0) return false;
  pthread_t thread;
  if (::pthread_create(&thread, nullptr, consoleEventLoop, nullptr) != 0) return false;
  ::pthread_detach(thread);
  return true;
}

void yieldToConsoleEvent() {
  if (signalHandle < 0) return;
  int signal = 0;
  bool mine = false;
  {
    std::lock_guard<std::mutex> hold(takeMutex());
    if (!eventTaken) {
      // A signal still pending is taken here (also one sent to this thread alone, which the
      // event thread could never take).
      if (!takeSignal(signal)) return;
      mine = true;
    }
  }
  if (mine) {
    dispatch(signal);
    return;
  }
  // The event thread has it and is ending the process.
  for (;;) ::pause();
}

void maskFloatingPointExceptions() {
  ::feclearexcept(FE_ALL_EXCEPT);
  ::fedisableexcept(FE_ALL_EXCEPT);
}

std::uint64_t mappedBytes(std::uint64_t bytes) {
  if (bytes < kHugePageBytes) return bytes;
  return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

void* allocatePages(std::uint64_t bytes) {
  if (bytes == 0 || bytes > static_cast<std::uint64_t>(SIZE_MAX) - 2 * kHugePageBytes) {
    return nullptr;
  }
  const std::uint64_t length = mappedBytes(bytes);
  // A block of a huge page or more starts on a huge-page boundary and fills its last huge
  // page: an unaligned start or end would be faulted in small pages, each of which costs
  // about as much as a whole huge page on a virtual machine.
  const std::uint64_t slack = length == bytes ? 0 : kHugePageBytes;
  if (test_seams::injectedFault(test_seams::SystemCall::Map).kind == test_seams::FaultKind::Fail) {
    return nullptr;
  }
  void* mapped = ::mmap(nullptr, static_cast<std::size_t>(length + slack), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  auto* start = static_cast<char*>(mapped);
  if (slack != 0) {
    const auto address = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uint64_t head = (kHugePageBytes - address % kHugePageBytes) % kHugePageBytes;
    if (head != 0) ::munmap(mapped, static_cast<std::size_t>(head));
    if (slack - head != 0) {
      ::munmap(start + head + length, static_cast<std::size_t>(slack - head));
    }
    start += head;
  }
#ifdef MADV_HUGEPAGE
  // A large block filled once from start to end: one fault per huge page instead of one per
  // small page. Where the system has no huge pages this changes nothing, so the answer is
  // not looked at.
  ::madvise(start, static_cast<std::size_t>(length), MADV_HUGEPAGE);
#endif
  return start;
}

void releasePages(void* block, std::uint64_t bytes) {
  if (block != nullptr && bytes > 0) ::munmap(block, static_cast<std::size_t>(mappedBytes(bytes)));
}

void preparePages(void* begin, std::size_t bytes) {
  if (begin == nullptr || bytes == 0) return;
  // Whole pages only: the first and the last may hold other memory, which is left as it is.
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto from = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
  const auto to = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page * page;
  if (to <= from) return;
#ifndef MADV_POPULATE_WRITE
  constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older systems refuse it
#endif
  ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}

void* allocateZeroed(std::size_t bytes) {
  if (test_seams::injectedFault(test_seams::SystemCall::Allocate).kind ==
      test_seams::FaultKind::Fail) {
    return nullptr;
  }
  return std::calloc(1, bytes);
}

void releaseZeroed(void* block) { std::free(block); }

bool prepareCallStack() {
  // The first backtrace() loads the unwinder; doing it now keeps a later traceback from
  // needing that while memory may be short.
  void* frames[4];
  return ::backtrace(frames, 4) > 0;
}

namespace {

std::string baseName(const char* path) {
  std::string_view name(path);
  std::size_t slash = name.rfind('/');
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

// A readable routine name: demangled, without "(anonymous namespace)::" and without its
// parameter list, so that the narrow traceback column shows what matters.
std::string routineName(const char* symbol) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(symbol, nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && demangled ? demangled.get() : symbol;
  constexpr std::string_view kAnonymous = "(anonymous namespace)::";
  for (std::size_t at; (at = name.find(kAnonymous)) != std::string::npos;) {
    name.erase(at, kAnonymous.size());
  }
  if (std::size_t paren = name.find('('); paren != std::string::npos && paren > 0) {
    name.resize(paren);
  }
  return name;
}

}  // namespace

std::vector<StackFrame> callStack(std::size_t maxFrames) {
  constexpr int kLimit = 128;
  void* addresses[kLimit];
  int count = ::backtrace(addresses, kLimit);
  std::vector<StackFrame> frames;
  // Frame 0 is this function itself.
  for (int i = 1; i < count && frames.size() < maxFrames; ++i) {
    StackFrame frame;
    frame.address = reinterpret_cast<std::uintptr_t>(addresses[i]);
    Dl_info info{};
    if (::dladdr(addresses[i], &info) != 0) {
      if (info.dli_fname != nullptr && *info.dli_fname != '\0') {
        frame.image = baseName(info.dli_fname);
      }
      if (info.dli_sname != nullptr) frame.routine = routineName(info.dli_sname);
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

}  // namespace platform
