// Crew threads wait for a round, run their part and report its end; one lock orders it all.
#include "platform/crew.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace platform {

Crew::Crew(unsigned threads) {
  // One thread would only wait while this one waits for it: a crew of one runs in start().
  if (threads <= 1) return;
  threads_.reserve(threads);
  for (unsigned index = 0; index < threads; ++index) {
    try {
      threads_.emplace_back([this, index] { serve(index); });
    } catch (const std::system_error&) {
      break;  // fewer threads take the same parts in turn
    } catch (const std::bad_alloc&) {
      break;
    }
  }
}

Crew::~Crew() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
  }
  roundBegun_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

unsigned Crew::size() const {
  return threads_.empty() ? 1u : static_cast<unsigned>(threads_.size());
}

void Crew::start(unsigned parts, std::function<void(unsigned)> task) {
  if (threads_.empty()) {
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
  std::unique_lock<std::mutex> hold(mutex_);
  roundEnded_.wait(hold, [this] { return running_ == 0; });
}

void Crew::serve(unsigned index) {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
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

PartPlan planParts(std::size_t count, std::size_t minPerPart, std::size_t grain) {
  PartPlan plan;
  plan.count = count;
  plan.grain = std::max<std::size_t>(grain, 1);
  const std::size_t worth = count / std::max<std::size_t>(minPerPart, 1);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  plan.parts = static_cast<unsigned>(std::clamp<std::size_t>(worth, 1, cores));
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
