// The exit hook, the reset between inputs and small helpers of the fuzzing harnesses.
#include "harness_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "platform/test_seams.h"
#include "textio/run/harness_reset.h"

namespace fuzzing {
namespace {

std::string scratchDirectory;

[[noreturn]] void throwRunEnded(int status) { throw RunEnded{status}; }

void removeScratch() {
  std::error_code ignored;
  if (!scratchDirectory.empty()) std::filesystem::remove_all(scratchDirectory, ignored);
}

}  // namespace

void prepareHarness() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  platform::test_seams::setExitHook(&throwRunEnded);
  platform::maskFloatingPointExceptions();
  // A vanished reader is a write error, as in the tool.
  platform::ignoreBrokenPipe();
  ::setenv("FOR_DISABLE_STACK_TRACE", "1", 1);
  ::setenv("FOR_DISABLE_DIAGNOSTIC_DISPLAY", "1", 1);
  for (const char* name : {"FORT0", "FOR_DIAGNOSTIC_LOG_FILE", "FOR_READ", "FOR_PRINT"}) {
    ::unsetenv(name);
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "gro-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
    std::perror("fuzz harness: scratch directory");
    std::abort();
  }
  scratchDirectory = pattern;
  std::atexit(removeScratch);
}

int runGuarded(const std::function<void()>& body) {
  int status = kReturned;
  try {
    body();
  } catch (const RunEnded& ended) {
    status = ended.status;
  }
  textio::run::resetRunForHarness();
  // For a developer replaying a finding: how each run ended.
  if (std::getenv("FUZZ_VERBOSE") != nullptr) std::fprintf(stderr, "run ended: %d\n", status);
  return status;
}

void writeScratchFile(const char* name, const std::uint8_t* data, std::size_t size) {
  const int handle = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  require(handle >= 0, "cannot create a scratch file");
  require(platform::writeAll(handle, reinterpret_cast<const char*>(data), size) == 0,
          "cannot write a scratch file");
  ::close(handle);
}

bool expectedStatus(int status) {
  switch (status) {
    case 0:
    case 9:   // permission to access file denied
    case 22:  // input record too long
    case 24:  // end-of-file during read
    case 29:  // file not found
    case 38:  // error during write
    case 39:  // error during read
    case 41:  // insufficient virtual memory
    case 59:  // list-directed I/O syntax error
    case 64:  // input conversion error
      return true;
    default:
      return false;
  }
}

void require(bool holds, std::string_view what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz harness: property violated: %.*s\n", static_cast<int>(what.size()),
               what.data());
  std::abort();
}

}  // namespace fuzzing
