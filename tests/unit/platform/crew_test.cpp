// The crew: every part of a round runs once, on its own thread; the threads of a crew that
// ended serve the next one; crews alive at once never share a thread.
#include "platform/crew.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// The threads that ran the parts of one round of `crew`, each part counted in `runs`.
std::set<std::thread::id> roundOn(platform::Crew& crew, std::vector<std::atomic<int>>& runs) {
  std::mutex mutex;
  std::set<std::thread::id> threads;
  crew.start(crew.size(), [&](unsigned part) {
    ++runs[part];
    const std::lock_guard<std::mutex> hold(mutex);
    threads.insert(std::this_thread::get_id());
  });
  crew.wait();
  return threads;
}

TEST(Crew, EndedCrewsLendTheirThreadsAndLiveOnesKeepThem) {
  std::set<std::thread::id> first;
  {
    platform::Crew crew(2);
    ASSERT_EQ(crew.size(), 2u);
    std::vector<std::atomic<int>> runs(2);
    for (int round = 0; round < 3; ++round) first = roundOn(crew, runs);
    EXPECT_EQ(runs[0], 3);
    EXPECT_EQ(runs[1], 3);
    EXPECT_EQ(first.size(), 2u);
    EXPECT_EQ(first.count(std::this_thread::get_id()), 0u);
  }
  for (int frame = 0; frame < 20; ++frame) {
    platform::Crew crew(2);
    std::vector<std::atomic<int>> runs(2);
    EXPECT_EQ(roundOn(crew, runs), first) << "frame " << frame << " started threads anew";
  }
  // A crew of one for a caller with work of its own runs its part on a thread of its own.
  platform::Crew alongside(1, /*alongside=*/true);
  std::vector<std::atomic<int>> runsAlongside(1);
  const std::set<std::thread::id> own = roundOn(alongside, runsAlongside);
  EXPECT_EQ(runsAlongside[0], 1);
  EXPECT_EQ(own.count(std::this_thread::get_id()), 0u);
  // Two crews at once: each has threads of its own.
  platform::Crew one(2);
  platform::Crew two(2);
  std::vector<std::atomic<int>> runsOne(2);
  std::vector<std::atomic<int>> runsTwo(2);
  const std::set<std::thread::id> a = roundOn(one, runsOne);
  const std::set<std::thread::id> b = roundOn(two, runsTwo);
  EXPECT_EQ(a.size() + b.size(), 4u);
  for (const std::thread::id id : a) EXPECT_EQ(b.count(id), 0u);
  EXPECT_EQ(runsOne[0] + runsOne[1] + runsTwo[0] + runsTwo[1], 4);
}

// Rounds that follow each other at once are seen by threads still looking; rounds that take
// longer than the look find them asleep. Either way wait() returns only once every part of
// its round has ended, and no part runs twice or is lost.
TEST(Crew, WaitSeesEveryPartOfEveryRoundWhetherThreadsLookedOrSlept) {
  struct Case {
    const char* name;
    std::chrono::microseconds partTakes;
    int rounds;
  };
  for (const Case& c : {Case{"rounds back to back", std::chrono::microseconds{0}, 2000},
                        Case{"rounds longer than the look", std::chrono::microseconds{4000}, 6}}) {
    for (int crewIndex = 0; crewIndex < 3; ++crewIndex) {  // crews that end straight after
      platform::Crew crew(3);
      std::vector<std::atomic<int>> seen(crew.size());
      for (int round = 1; round <= c.rounds; ++round) {
        crew.start(crew.size(), [&](unsigned part) {
          if (c.partTakes.count() != 0 && part == 0) std::this_thread::sleep_for(c.partTakes);
          seen[part].fetch_add(1);
        });
        crew.wait();
        for (unsigned part = 0; part < crew.size(); ++part) {
          ASSERT_EQ(seen[part].load(), round) << c.name << ", part " << part;
        }
      }
    }
  }
}

}  // namespace
