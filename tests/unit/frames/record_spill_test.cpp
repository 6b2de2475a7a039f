// Records kept for a later pass: every record comes back once, in order, whether it was kept in
// memory, in the temporary file, or (pages refused) in the file alone.
#include "frames/record_spill.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/test_seams.h"

namespace frames {
namespace {

platform::test_seams::Fault refuseMaps(platform::test_seams::SystemCall call) {
  if (call == platform::test_seams::SystemCall::Map) {
    return {platform::test_seams::FaultKind::Fail, 12};
  }
  return {};
}

struct HookReset {
  ~HookReset() { platform::test_seams::setCallHook(nullptr); }
};

TEST(RecordSpill, GivesBackEveryRecordInOrderWhereverItWasKept) {
  const struct {
    const char* name;
    std::size_t memoryRecords;
    bool refusePages;
    bool spills;
  } cases[] = {
      {"all in memory", 64, false, false},
      {"memory, then the file", 10, false, true},
      {"pages refused: the file alone", 64, true, true},
  };
  for (const auto& c : cases) {
    HookReset reset;
    if (c.refusePages) platform::test_seams::setCallHook(refuseMaps);
    RecordSpill spill(c.memoryRecords * sizeof(AtomRecord));
    std::vector<AtomRecord> chunk(7);
    int next = 0;
    for (int round = 0; round < 4; ++round) {
      for (AtomRecord& record : chunk) {
        record = AtomRecord{};
        record.atomNumber = next;
        record.x = static_cast<float>(next) / 4;
        ++next;
      }
      spill.append(chunk);
    }
    platform::test_seams::setCallHook(nullptr);
    EXPECT_EQ(spill.size(), 28u) << c.name;
    EXPECT_EQ(spill.spilled(), c.spills) << c.name;
    // Twice: a rewound spill reads the same records again.
    for (int pass = 0; pass < 2; ++pass) {
      spill.rewind();
      AtomRecord room[3];
      int expected = 0;
      for (auto got = spill.next(room, 3); !got.empty(); got = spill.next(room, 3)) {
        EXPECT_LE(got.size(), 3u);
        for (const AtomRecord& record : got) {
          EXPECT_EQ(record.atomNumber, expected) << c.name;
          EXPECT_EQ(record.x, static_cast<float>(expected) / 4) << c.name;
          ++expected;
        }
      }
      EXPECT_EQ(expected, 28) << c.name << " pass " << pass;
    }
  }
}

}  // namespace
}  // namespace frames
