// Crew threads wait for a round, run their part and report its end; one lock orders it all.
#include "platform/crew.h"

#include <sched.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {
namespace {

// How long a thread that waits looks for its condition, giving way to any other runnable
// thread, before it sleeps. Waking a sleeping thread costs most of a millisecond on a busy
// virtual machine (its processor must be scheduled again), more than the rounds of a frame of
// a trajectory are apart; a look that finds nothing else to run costs a system call.
constexpr std::chrono::microseconds kLookBeforeSleep{1500};

// Answers whether `done` held within kLookBeforeSleep.
template <typename Done>
bool lookFor(const Done& done) {
  const auto until = std::chrono::steady_clock::now() + kLookBeforeSleep;
  do {
    if (done()) return true;
    sched_yield();
  } while (std::chrono::steady_clock::now() < until);
  return done();
}

// Threads between crews. Each waits for the work of the next crew that takes it; there is
// no end to their waiting, so they are detached and the keeper is never destroyed (the
// process ends them, whatever ends it). The pool's lock is taken before a crew's, never
// after.
class IdleThreads {
 public:
  // Runs `work` on a waiting thread or a new one, then `back` once the thread waits again;
  // false when the system refuses a thread.
  bool run(std::function<void()> work, std::function<void()> back) {
    std::unique_lock<std::mutex> hold(mutex_);
    if (!idle_.empty()) {
      Waiting* const thread = idle_.back();
      idle_.pop_back();
      thread->work = std::move(work);
      thread->back = std::move(back);
      hold.unlock();
      thread->wake.notify_one();
      return true;
    }
    // Room for every thread to wait in, taken now: a thread cannot report a failure later.
    try {
      idle_.reserve(started_ + 1);
    } catch (const std::bad_alloc&) {
      return false;
    }
    hold.unlock();
    auto* const thread = new (std::nothrow) Waiting;
    if (thread == nullptr) return false;
    thread->work = std::move(work);
    thread->back = std::move(back);
    try {
      std::thread([this, thread] { wait(*thread); }).detach();
    } catch (const std::system_error&) {
      delete thread;
      return false;
    } catch (const std::bad_alloc&) {
      delete thread;
      return false;
    }
    hold.lock();
    ++started_;
    return true;
  }

 private:
  struct Waiting {
    std::condition_variable wake;
    std::function<void()> work;
    std::function<void()> back;
  };

  void wait(Waiting& thread) {
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
      thread.wake.wait(hold, [&] { return static_cast<bool>(thread.work); });
      const std::function<void()> work = std::move(thread.work);
      const std::function<void()> back = std::move(thread.back);
      thread.work = nullptr;
      hold.unlock();
      work();
      hold.lock();
      idle_.push_back(&thread);
      back();  // the next crew finds this thread waiting
    }
  }

  std::mutex mutex_;
  std::vector<Waiting*> idle_;
  std::size_t started_ = 0;
};

IdleThreads& idleThreads() {
  // Made in place without allocating (a failed allocation is no failure of a crew) and
  // never destroyed.
  alignas(IdleThreads) static unsigned char room[sizeof(IdleThreads)];
  static IdleThreads* const kept = new (room) IdleThreads;
  return *kept;
}

}  // namespace

Crew::Crew(unsigned threads, bool alongside) {
  // One thread would only wait while this one waits for it: a crew of one runs in start().
  if (threads == 0 || (threads == 1 && !alongside)) return;
  for (unsigned index = 0; index < threads; ++index) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      ++serving_;
    }
    const auto back = [this] {
      // The last one back lets the destructor go on; the crew is not touched after that.
      std::lock_guard<std::mutex> hold(mutex_);
      if (--serving_ == 0) roundEnded_.notify_all();
    };
    if (!idleThreads().run([this, index] { serve(index); }, back)) {
      std::lock_guard<std::mutex> hold(mutex_);
      --serving_;
      break;  // fewer threads take the same parts in turn
    }
    ++threads_;
  }
}

Crew::~Crew() {
  std::unique_lock<std::mutex> hold(mutex_);
  stopping_ = true;
  roundBegun_.notify_all();
  hold.unlock();
  lookFor([this] { return serving_ == 0; });
  hold.lock();
  roundEnded_.wait(hold, [this] { return serving_ == 0; });
}

unsigned Crew::size() const { return threads_ == 0 ? 1u : threads_; }

void Crew::start(unsigned parts, std::function<void(unsigned)> task) {
  if (threads_ == 0) {
    for (unsigned part = 0; part < parts; ++part) task(part);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(mutex_);
    task_ = std::move(task);
    parts_ = parts;
    running_ = parts;
    ++round_;
  }
  roundBegun_.notify_all();
}

void Crew::wait() {
  if (threads_ != 0) lookFor([this] { return running_ == 0; });
  std::unique_lock<std::mutex> hold(mutex_);
  roundEnded_.wait(hold, [this] { return running_ == 0; });
}

void Crew::serve(unsigned index) {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    hold.unlock();
    lookFor([&] { return stopping_ || round_ != seen; });
    hold.lock();
    roundBegun_.wait(hold, [&] { return stopping_ || round_ != seen; });
    if (stopping_) return;
    seen = round_;
    if (index >= parts_) continue;
    const std::function<void(unsigned)>& task = task_;
    hold.unlock();
    task(index);
    hold.lock();
    if (--running_ == 0) roundEnded_.notify_one();
  }
}

unsigned cores() {
  static const unsigned count = std::max(1u, std::thread::hardware_concurrency());
  return count;
}

PartPlan planParts(std::size_t count, std::size_t minPerPart, std::size_t grain) {
  PartPlan plan;
  plan.count = count;
  plan.grain = std::max<std::size_t>(grain, 1);
  const std::size_t worth = count / std::max<std::size_t>(minPerPart, 1);
  plan.parts = static_cast<unsigned>(std::clamp<std::size_t>(worth, 1, cores()));
  return plan;
}

void runParts(unsigned parts, const std::function<void(unsigned)>& task) {
  if (parts <= 1) {
    task(0);
    return;
  }
  Crew crew(parts);
  crew.start(std::min(parts, crew.size()), task);
  crew.wait();
  for (unsigned part = crew.size(); part < parts; ++part) task(part);
}

}  // namespace platform
