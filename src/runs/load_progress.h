// The load's progress on a terminal: a thread that samples how far the coordinate file has
// been read and redraws one line on standard error, erased when the load ends. It only
// watches the file offset, so the loader knows nothing about it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace runs {

// Files above this size show their progress (when standard error is a terminal).
inline constexpr std::uint64_t kProgressThreshold = 50ull * 1024 * 1024;

// Draws the first line (0 %) at once, then every ~100 ms the share of `fileSize` bytes that
// the offset of `file` (the coordinate unit's handle, open until the watch stops) has passed.
// One watch at a time.
void startLoadProgress(platform::Handle file, std::uint64_t fileSize);

// For a coordinate file without a size (a pipe, a FIFO, standard input): once more than
// kProgressThreshold bytes have been read from `file`, every ~100 ms the megabytes read so
// far ("gro-region: loading 120 MB"). One watch at a time, stopped as the other.
void startStreamProgress(platform::Handle file);

// A file read more than once shows one share over all its readings: the first reading takes
// the first half, the `passes` readings after it share the second. Called once the first
// reading is done; nextProgressPass() as each later one starts (from the file's start).
void setLaterProgressPasses(unsigned passes);
void nextProgressPass();

// Stops the watch and erases its line; nothing when none runs. Any thread may call it, more
// than once (the end of the load, a report, a console event), also under the run-time lock:
// the watch never takes that lock.
void stopLoadProgress();

}  // namespace runs
