// A crew of threads kept for the length of a job of many rounds: each round runs one task per
// part, part p on crew thread p, while the thread that started the round goes on with other
// work until it waits for the round's end. Saves starting threads for every block of a file;
// and the threads of a crew that ends wait for the next crew instead of ending, which saves
// starting them again for every frame of a trajectory.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

class Crew {
 public:
  // Up to `threads` threads; none for one, since a single crew thread would only stand in for
  // the caller, unless the caller works `alongside` the round (work of its own until it
  // waits). A thread the system refuses leaves the crew smaller; a crew of none runs every
  // round in start() itself.
  explicit Crew(unsigned threads, bool alongside = false);
  ~Crew();
  Crew(const Crew&) = delete;
  Crew& operator=(const Crew&) = delete;

  // The most parts a round can have: the crew's threads, or 1 for a crew of none.
  unsigned size() const;

  // Runs task(0) .. task(parts - 1), parts <= size(), and returns at once. The task and what
  // it refers to must stay valid until wait() returns.
  void start(unsigned parts, std::function<void(unsigned)> task);

  // Returns when every part of the round started last has ended.
  void wait();

 private:
  void serve(unsigned index);

  unsigned threads_ = 0;
  // Changed under the lock; read without it too by threads that look before they sleep.
  std::atomic<unsigned> serving_{0};  // threads not yet back with the idle ones
  std::mutex mutex_;
  std::condition_variable roundBegun_;
  std::condition_variable roundEnded_;
  std::function<void(unsigned)> task_;
  std::atomic<std::uint64_t> round_{0};
  unsigned parts_ = 0;
  std::atomic<unsigned> running_{0};
  std::atomic<bool> stopping_{false};
};

// The machine's cores (at least 1), asked of the system once: the system reads a file for it,
// which a run of many frames would otherwise do for every frame.
unsigned cores();

// A range of `count` items split for the machine's cores: parts of at least `minPerPart`
// items (one part for a small range), every boundary but the last a multiple of `grain`.
struct PartPlan {
  unsigned parts = 1;
  std::size_t count = 0;
  std::size_t grain = 1;
  std::size_t begin(unsigned part) const {
    if (part >= parts) return count;
    const std::size_t share = count / parts * part;
    return share - share % grain;
  }
  std::size_t end(unsigned part) const { return begin(part + 1); }
};
PartPlan planParts(std::size_t count, std::size_t minPerPart, std::size_t grain);

// Runs task(0) .. task(parts - 1) and returns when all have ended: on a crew of its own when
// there are several parts, on this thread when there is one.
void runParts(unsigned parts, const std::function<void(unsigned)>& task);

}  // namespace platform
