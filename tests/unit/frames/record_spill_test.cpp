// Records kept for a later pass come back once each, in order: from memory, from the temporary
// file, or (pages refused) from the file alone.
#include "frames/record_spill.h"

#include <gtest/gtest.h>

#include "platform/test_seams.h"

namespace frames {
namespace {

platform::test_seams::Fault refuseMaps(platform::test_seams::SystemCall call) {
  return {call == platform::test_seams::SystemCall::Map ? platform::test_seams::FaultKind::Fail
                                                        : platform::test_seams::FaultKind::None,
          12};
}

TEST(RecordSpill, GivesBackEveryRecordInOrderWhereverItWasKept) {
  const struct {
    std::size_t memoryRecords;
    bool refusePages, spills;
  } cases[] = {{64, false, false}, {10, false, true}, {64, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.memoryRecords << " refused " << c.refusePages);
    platform::test_seams::setCallHook(c.refusePages ? refuseMaps : nullptr);
    RecordSpill spill(c.memoryRecords * sizeof(AtomRecord));
    AtomRecord chunk[7] = {};
    for (int next = 0; next < 28; ++next) {
      chunk[next % 7].atomNumber = next;
      if (next % 7 == 6) spill.append(chunk);
    }
    platform::test_seams::setCallHook(nullptr);
    EXPECT_EQ(spill.spilled(), c.spills);
    for (int pass = 0; pass < 2; ++pass) {  // a rewound spill gives the same records again
      spill.rewind();
      AtomRecord room[3];
      int expected = 0;
      for (auto got = spill.next(room, 3); !got.empty(); got = spill.next(room, 3)) {
        for (const AtomRecord& record : got) EXPECT_EQ(record.atomNumber, expected++);
      }
      EXPECT_EQ(expected, 28);
    }
  }
}

}  // namespace
}  // namespace frames
