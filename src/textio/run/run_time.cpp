// Start and end of a run: start-up settings, the console-event path on the platform's event
// thread, stopping, the normal end and the run's block allocation. The top of the layer.
#include "textio/run/run_time.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "textio/reports/run_lock.h"
#include "textio/run/harness_reset.h"
#include "textio/units/report.h"
#include "textio/units/unit.h"

namespace textio::run {

namespace {

// Blocks larger than this come from the page allocator, the others from the heap.
constexpr std::uint64_t kPageAllocationThreshold = 0xFFFFFF;

constexpr std::array<std::string_view, 4> kEventWords{"control-C", "control-BREAK", "window-CLOSE",
                                                      "terminate"};

std::atomic<bool> stopping{false};

// The blocks of this run, kept so that a harness running many runs in one process can give
// them back (resetRunForHarness); a real run frees only the ones it replaces (releaseBlock).
struct RunBlock {
  void* address;
  std::uint64_t bytes;
  bool pages;
};
std::vector<RunBlock>& runBlocks() {
  static auto* blocks = new std::vector<RunBlock>;
  return *blocks;
}

}  // namespace

void initRunTime() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  platform::reserveStandardStreams();
  // Without the unwinder a severe report simply has a shorter traceback.
  platform::prepareCallStack();
  platform::startConsoleEvents(&onConsoleEvent, reports::detail::endPolicy().terminateEvent
                                                    ? platform::TerminateEvent::Delivered
                                                    : platform::TerminateEvent::Default);
  if (reports::environmentSwitch("FOR_NOERROR_DIALOGS")) platform::suppressErrorDialogs();
  platform::maskFloatingPointExceptions();
  platform::ignoreBrokenPipe();
}

void endRun() {
  // Held until the process is gone, so a console event arriving now waits and never runs.
  reports::detail::runTimeLock().lock();
  units::closeAllUnits();
  // A record that could not be written at the closing was reported: the run did not succeed.
  reports::detail::endWithCode(units::detail::closingFailure());
}

void stopRun() {
  if (stopping.exchange(true)) platform::exitProcess(0);
  reports::detail::runTimeLock().lock();
  units::closeAllUnits();
  reports::detail::endWithCode(units::detail::closingFailure());
}

bool onConsoleEvent(int event) {
  if (event < 0 || event >= static_cast<int>(kEventWords.size())) return false;
  // Taken while no statement runs (a waiting console read has let it go) and held until the
  // process ends: no statement starts on a unit that is being closed.
  reports::detail::runTimeLock().lock();
  units::issueReport(reports::errorCode(200), kEventWords[static_cast<std::size_t>(event)]);
  units::closeAllUnits();
  const reports::EndPolicy& policy = reports::detail::endPolicy();
  if (policy.atEnd != nullptr) policy.atEnd();
  platform::exitProcess(policy.signalStatuses ? 128 + platform::consoleEventSignal(event) : event);
}

void* allocateBlock(std::uint64_t bytes, bool alreadyAllocated) {
  if (alreadyAllocated) units::issueReport(reports::severeCode(151));
  if (bytes == 0) return nullptr;
  void* block = nullptr;
  if (bytes > kPageAllocationThreshold) {
    block = platform::allocatePages(bytes);
  } else {
    block = platform::allocateZeroed(static_cast<std::size_t>(bytes));
  }
  if (block == nullptr) units::issueReport(reports::severeCode(41));
  try {
    runBlocks().push_back({block, bytes, bytes > kPageAllocationThreshold});
  } catch (const std::bad_alloc&) {
    // Only a harness would ever give the block back; the run goes on without the note.
  }
  return block;
}

void releaseBlock(void* block, std::uint64_t bytes) {
  if (block == nullptr) return;
  std::vector<RunBlock>& blocks = runBlocks();
  for (auto it = blocks.begin(); it != blocks.end(); ++it) {
    if (it->address == block) {
      blocks.erase(it);
      break;
    }
  }
  if (bytes > kPageAllocationThreshold) {
    platform::releasePages(block, bytes);
  } else {
    std::free(block);
  }
}

void resetRunForHarness() {
  reports::detail::runTimeLock().releaseAll();
  units::detail::forgetUnitsForHarness();
  for (const RunBlock& block : runBlocks()) {
    if (block.pages) {
      platform::releasePages(block.address, block.bytes);
    } else {
      platform::releaseZeroed(block.address);
    }
  }
  runBlocks().clear();
  stopping = false;
}

}  // namespace textio::run
