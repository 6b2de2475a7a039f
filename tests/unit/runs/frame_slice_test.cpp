// --frames slices: which indices each text chooses, and the texts refused.
#include "runs/frame_slice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace runs {
namespace {

std::vector<std::uint64_t> chosen(const FrameSlice& slice, std::uint64_t frames) {
  std::vector<std::uint64_t> indices;
  for (std::uint64_t i = 0; i < frames; ++i) {
    if (slice.contains(i)) indices.push_back(i);
  }
  return indices;
}

TEST(FrameSlice, ChoosesAsPythonSlicesOfTenFrames) {
  const struct {
    const char* text;
    std::vector<std::uint64_t> expected;
  } cases[] = {
      {"all", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"3", {3}},
      {"0", {0}},
      {"12", {}},
      {"::3", {0, 3, 6, 9}},
      {"5:", {5, 6, 7, 8, 9}},
      {":2", {0, 1}},
      {"2:8:2", {2, 4, 6}},
      {"1:2:100", {1}},
      {"4:4", {}},
      {"7:3", {}},
      {":", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"::", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"8::", {8, 9}},
  };
  for (const auto& c : cases) {
    FrameSlice slice;
    ASSERT_EQ(parseFrameSlice(c.text, slice), "") << c.text;
    EXPECT_EQ(chosen(slice, 10), c.expected) << c.text;
  }
}

TEST(FrameSlice, RefusesWhatIsNoSliceOfNonNegativeNumbers) {
  for (const char* text : {"", "-1", "a", "1:2:0", "::0", "1:2:3:4", "::-1", "1.5", " 1", "1 ",
                           "+1", "ALL", "1:x", "18446744073709551616", "18446744073709551615"}) {
    FrameSlice slice;
    EXPECT_NE(parseFrameSlice(text, slice), "") << "'" << text << "'";
  }
}

TEST(FrameSlice, EndsOnlyAtItsStop) {
  FrameSlice slice;
  ASSERT_EQ(parseFrameSlice("2:5", slice), "");
  EXPECT_FALSE(slice.endsBefore(4));
  EXPECT_TRUE(slice.endsBefore(5));
  ASSERT_EQ(parseFrameSlice("2:", slice), "");
  EXPECT_FALSE(slice.endsBefore(1000000));
}

}  // namespace
}  // namespace runs
