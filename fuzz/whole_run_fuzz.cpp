// Fuzzing harness for a whole run of the tool in a scratch directory: console answers and a
// coordinate file from the input, the dialogue run from the banner to the final wait, the
// result files written. Input layout: byte 0 flags (bit 0: the typed file does not exist),
// bytes 1-2 the length of the answers (little-endian, cut to what is there), then the answers
// (after the file name, which the harness types itself), then the coordinate file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "doors/driver.h"
#include "harness_support.h"
#include "textio/run/run_time.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::prepareHarness();
  static bool consoleRedirected = false;
  if (!consoleRedirected) {
    consoleRedirected = true;
    // The console units read the answers file and write to the null device.
    ::setenv("FOR_READ", "answers.txt", 1);
    ::setenv("FOR_PRINT", "NUL", 1);
  }
  if (size < 3) return 0;
  const bool missing = (data[0] & 1) != 0;
  std::size_t answerLength = data[1] | (std::size_t{data[2]} << 8);
  if (answerLength > size - 3) answerLength = size - 3;
  // Typed by the harness: fuzzed names could reach any file of the machine (or /dev/zero).
  std::string answers = missing ? "absent.gro\n" : "in.gro\n";
  answers.append(reinterpret_cast<const char*>(data) + 3, answerLength);
  fuzzing::writeScratchFile("answers.txt", reinterpret_cast<const std::uint8_t*>(answers.data()),
                            answers.size());
  fuzzing::writeScratchFile("in.gro", data + 3 + answerLength, size - 3 - answerLength);
  const int status = fuzzing::runGuarded([] {
    doors::run();
    textio::run::endRun();
  });
  fuzzing::require(status != fuzzing::kReturned, "endRun returned");
  fuzzing::require(fuzzing::expectedStatus(status), "the run ended with an unexpected status");
  return 0;
}
