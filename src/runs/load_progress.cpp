// The progress thread: samples the coordinate file's offset, redraws its line, and leaves
// the terminal clean when stopped.
#include "runs/load_progress.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "platform/platform.h"

namespace runs {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

struct Watch {
  std::mutex mutex;
  std::condition_variable wake;
  std::thread thread;
  bool running = false;  // started and not yet stopped
  platform::Handle file = platform::kInvalidHandle;
  std::uint64_t size = 0;      // 0: a stream, whose bytes read are shown
  std::size_t shownWidth = 0;  // columns of the line on the terminal, 0 when none
  unsigned laterPasses = 0;    // readings after the first (0: a single reading)
  unsigned pass = 0;           // the reading under way, 0 the first
};

// Never destroyed: the process may end while the thread still exists.
Watch& watch() {
  static auto* state = new Watch;
  return *state;
}

// Under the watch's mutex, so that a draw and the erasing never interleave.
void drawLine(Watch& state, const std::string& line) {
  platform::writeAll(platform::standardError(), line.data(), line.size());
  state.shownWidth = line.size() - 1;
}

// A stream's bytes read, in megabytes (10^6 bytes), from the threshold on.
void drawStream(Watch& state, std::uint64_t bytes) {
  if (bytes <= kProgressThreshold) return;
  drawLine(state, "\rgro-region: loading " + std::to_string(bytes / 1000000) + " MB");
}

void draw(Watch& state, std::uint64_t offset) {
  std::uint64_t percent = offset >= state.size ? 100 : offset * 100 / state.size;
  if (state.laterPasses != 0) {
    // The first reading fills the first half, the later ones share the second.
    percent = state.pass == 0
                  ? percent / 2
                  : 50 + (std::min(state.pass - 1, state.laterPasses - 1) * 100 + percent) / 2 /
                             state.laterPasses;
  }
  drawLine(state, "\rgro-region: loading " + std::to_string(percent) + "%");
}

void erase(Watch& state) {
  if (state.shownWidth == 0) return;
  std::string blank(state.shownWidth + 2, ' ');
  blank.front() = '\r';
  blank.back() = '\r';
  platform::writeAll(platform::standardError(), blank.data(), blank.size());
  state.shownWidth = 0;
}

void sample() {
  Watch& state = watch();
  std::unique_lock lock(state.mutex);
  const platform::Handle file = state.file;
  while (state.running) {
    state.wake.wait_for(lock, kRedrawInterval, [&] { return !state.running; });
    if (!state.running) break;
    if (state.size == 0) {
      drawStream(state, platform::countedReadBytes());
      continue;
    }
    lock.unlock();
    // The file stays open until the watch has stopped, so the handle is still its own.
    const std::optional<std::uint64_t> offset = platform::filePosition(file);
    lock.lock();
    if (state.running && offset) draw(state, *offset);
  }
}

}  // namespace

void startLoadProgress(platform::Handle file, std::uint64_t fileSize) {
  Watch& state = watch();
  std::lock_guard lock(state.mutex);
  if (state.running || fileSize == 0) return;
  state.running = true;
  state.pass = 0;
  state.laterPasses = 0;
  state.file = file;
  state.size = fileSize;
  draw(state, 0);
  try {
    state.thread = std::thread(sample);
  } catch (const std::system_error&) {
    // Without a thread the load simply shows no progress.
    state.running = false;
    erase(state);
  }
}

void startStreamProgress(platform::Handle file) {
  Watch& state = watch();
  std::lock_guard lock(state.mutex);
  if (state.running) return;
  platform::countReadBytes(file);
  state.running = true;
  state.pass = 0;
  state.laterPasses = 0;
  state.file = file;
  state.size = 0;
  try {
    state.thread = std::thread(sample);
  } catch (const std::system_error&) {
    state.running = false;
  }
}

void setLaterProgressPasses(unsigned passes) {
  Watch& state = watch();
  std::lock_guard lock(state.mutex);
  state.laterPasses = passes;
}

void nextProgressPass() {
  Watch& state = watch();
  std::lock_guard lock(state.mutex);
  ++state.pass;
}

void stopLoadProgress() {
  Watch& state = watch();
  std::thread thread;
  {
    std::lock_guard lock(state.mutex);
    if (!state.running) return;
    state.running = false;
    erase(state);
    if (state.size == 0) platform::countReadBytes(platform::kInvalidHandle);
    thread = std::move(state.thread);
  }
  state.wake.notify_all();
  thread.join();
}

}  // namespace runs
