// Whole residues followed chunk by chunk: the atoms counted and kept are those of every residue
// run that holds a matching atom, whatever the chunking and wherever the matching atom lies in
// its residue, against a count worked out from the whole frame at once.
#include "selection/residue_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "table_views.h"

namespace selection {
namespace {

struct Frame {
  std::vector<frames::AtomRecord> records;
  std::vector<bool> matched;
};

// Residues of `size` atoms numbered from 1, the atom at `matchAt` of every residue in
// `matching` matched; atom numbers are the record indices.
Frame residues(int count, int size, int matchAt, const std::vector<int>& matching) {
  Frame frame;
  for (int residue = 1; residue <= count; ++residue) {
    const bool listed = std::find(matching.begin(), matching.end(), residue) != matching.end();
    for (int atom = 0; atom < size; ++atom) {
      frames::AtomRecord record{};
      record.residueNumber = residue;
      record.atomNumber = static_cast<std::int32_t>(frame.records.size());
      frame.records.push_back(record);
      frame.matched.push_back(listed && atom == matchAt);
    }
  }
  return frame;
}

// The atom numbers of the records in residues that hold a matching atom, in order.
std::vector<std::int32_t> expectedAtoms(const Frame& frame) {
  std::vector<std::int32_t> atoms;
  for (std::size_t i = 0; i < frame.records.size(); ++i) {
    const std::int32_t residue = frame.records[i].residueNumber;
    bool any = false;
    for (std::size_t j = 0; j < frame.records.size(); ++j) {
      any = any || (frame.records[j].residueNumber == residue && frame.matched[j]);
    }
    if (any) atoms.push_back(frame.records[i].atomNumber);
  }
  return atoms;
}

// Follows the frame's records in chunks of `chunk`, then finishes.
void followInChunks(const Frame& frame, std::size_t chunk, ResidueRuns& runs,
                    std::unique_ptr<KeptAtoms>& kept) {
  for (std::size_t begin = 0; begin < frame.records.size(); begin += chunk) {
    const std::size_t end = std::min(frame.records.size(), begin + chunk);
    std::vector<frames::AtomRecord> part(frame.records.begin() + static_cast<std::ptrdiff_t>(begin),
                                         frame.records.begin() + static_cast<std::ptrdiff_t>(end));
    std::vector<std::uint64_t> bits((part.size() + 63) / 64);
    for (std::size_t i = begin; i < end; ++i) {
      if (frame.matched[i]) bits[(i - begin) / 64] |= std::uint64_t{1} << ((i - begin) % 64);
    }
    runs.follow(testsupport::tableOf(part), bits, kept);
  }
  runs.finish(kept);
}

TEST(ResidueRuns, KeepTheResiduesOfTheMatchingAtomsForEveryChunking) {
  struct Case {
    const char* what;
    Frame frame;
  };
  const Case cases[] = {
      // Residues that straddle the 64-record words, matched on their first, middle or last
      // atom, after words without a match.
      {"waters matched on the oxygen", residues(200, 3, 0, {1, 30, 31, 150, 200})},
      {"waters matched on the last hydrogen", residues(200, 3, 2, {22, 43, 64, 107, 200})},
      {"long residues matched on their last atom", residues(12, 70, 69, {2, 5, 12})},
      {"long residues matched in the middle", residues(12, 70, 35, {1, 7})},
      {"no match", residues(100, 3, 0, {})},
      {"every residue", residues(100, 5, 4,
                                 [] {
                                   std::vector<int> all(100);
                                   for (int r = 0; r < 100; ++r)
                                     all[static_cast<std::size_t>(r)] = r + 1;
                                   return all;
                                 }())},
  };
  for (const Case& c : cases) {
    const std::vector<std::int32_t> expected = expectedAtoms(c.frame);
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{63}, std::size_t{64},
                                    std::size_t{65}, std::size_t{200}, std::size_t{100000}}) {
      SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
      ResidueRuns runs;
      auto kept = std::make_unique<KeptAtoms>(1 << 20);
      followInChunks(c.frame, chunk, runs, kept);
      EXPECT_TRUE(runs.inOrder());
      EXPECT_EQ(runs.atoms(), static_cast<std::int64_t>(expected.size()));
      ASSERT_TRUE(kept);
      kept->flush();
      std::vector<std::int32_t> keptAtoms;
      std::vector<frames::AtomRecord> room(64);
      kept->replay(room.data(), room.size(), [&](const frames::AtomTable& view) {
        for (std::size_t i = 0; i < view.size; ++i) keptAtoms.push_back(view.records[i].atomNumber);
      });
      EXPECT_EQ(keptAtoms, expected);
    }
  }
}

// A residue number that falls, in a word without a match or beside one, is seen whatever
// the chunking: the residues are not in order, and nothing is kept.
TEST(ResidueRuns, AFallingNumberIsSeenInWordsWithAndWithoutMatches) {
  for (const int fallAt : {10, 70, 130}) {
    for (const bool matchNear : {false, true}) {
      Frame frame =
          residues(60, 3, 0, matchNear ? std::vector<int>{fallAt / 3 + 1} : std::vector<int>{});
      frame.records[static_cast<std::size_t>(fallAt)].residueNumber = 1;
      for (const std::size_t chunk : {std::size_t{64}, std::size_t{100}, std::size_t{1000}}) {
        SCOPED_TRACE("fall at " + std::to_string(fallAt) + (matchNear ? ", match near" : "") +
                     ", chunks of " + std::to_string(chunk));
        ResidueRuns runs;
        auto kept = std::make_unique<KeptAtoms>(1 << 20);
        followInChunks(frame, chunk, runs, kept);
        EXPECT_FALSE(runs.inOrder());
        EXPECT_FALSE(kept);
      }
    }
  }
}

}  // namespace
}  // namespace selection
