// Crew threads wait for a round, run their part and report its end; one lock orders it all.
#include "selection/crew.h"

#include <system_error>
#include <utility>

namespace selection {

Crew::Crew(unsigned threads) {
  threads_.reserve(threads);
  for (unsigned index = 0; index < threads; ++index) {
    try {
      threads_.emplace_back([this, index] { serve(index); });
    } catch (const std::system_error&) {
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

}  // namespace selection
