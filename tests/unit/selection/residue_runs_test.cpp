// Whole residues followed chunk by chunk: the atoms counted and kept are those of every residue
// run that holds a matching atom, whatever the chunking and wherever the matching atom lies in
// its residue, against a count worked out from the whole frame at once.
#include "selection/residue_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "table_views.h"

namespace selection {
namespace {

// `count` residues of `size` atoms numbered from 1 (residue `fallAt` numbered 1 again, when
// given), the atom at `matchAt` of each residue in `matching` matched; atom numbers are the
// record indices.
struct Frame {
  Frame(int count, int size, int matchAt, const std::vector<int>& matching, int fallAt = 0) {
    for (int residue = 1; residue <= count; ++residue) {
      const bool listed = std::count(matching.begin(), matching.end(), residue) != 0;
      for (int atom = 0; atom < size; ++atom) {
        frames::AtomRecord record{};
        record.residueNumber = residue == fallAt ? 1 : residue;
        record.atomNumber = static_cast<std::int32_t>(records.size());
        records.push_back(record);
        matched.push_back(listed && atom == matchAt);
      }
    }
  }
  std::vector<frames::AtomRecord> records;
  std::vector<bool> matched;
};

TEST(ResidueRuns, KeepTheResiduesOfTheMatchingAtomsForEveryChunking) {
  const struct {
    const char* what;
    Frame frame;
    bool inOrder;
  } cases[] = {
      // Residues that straddle the 64-record words, matched on their first, middle or last
      // atom, after words without a match; numbers that fall in or beside such words.
      {"waters matched on the oxygen", Frame(200, 3, 0, {1, 30, 31, 150, 200}), true},
      {"waters matched on the last hydrogen", Frame(200, 3, 2, {22, 43, 64, 107, 200}), true},
      {"long residues matched on their last atom", Frame(12, 70, 69, {2, 5, 12}), true},
      {"long residues matched in the middle", Frame(12, 70, 35, {1, 7}), true},
      {"a fall in a word without a match", Frame(60, 3, 0, {}, 24), false},
      {"a fall beside a match", Frame(60, 3, 0, {44}, 45), false},
  };
  for (const auto& c : cases) {
    std::vector<std::int32_t> expected;  // the atoms of residues that hold a matching atom
    for (const frames::AtomRecord& record : c.frame.records) {
      bool any = false;
      for (std::size_t j = 0; j < c.frame.records.size(); ++j) {
        any =
            any || (c.frame.records[j].residueNumber == record.residueNumber && c.frame.matched[j]);
      }
      if (any) expected.push_back(record.atomNumber);
    }
    for (const std::size_t chunk : {1, 63, 64, 65, 200, 100000}) {
      SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
      ResidueRuns runs;
      auto kept = std::make_unique<KeptAtoms>(1 << 20);
      const std::vector<frames::AtomRecord>& all = c.frame.records;
      for (std::size_t begin = 0; begin < all.size(); begin += chunk) {
        const std::size_t end = std::min(all.size(), begin + chunk);
        std::vector<frames::AtomRecord> part(all.begin() + static_cast<std::ptrdiff_t>(begin),
                                             all.begin() + static_cast<std::ptrdiff_t>(end));
        std::vector<std::uint64_t> bits((part.size() + 63) / 64);
        for (std::size_t i = begin; i < end; ++i) {
          if (c.frame.matched[i]) bits[(i - begin) / 64] |= std::uint64_t{1} << ((i - begin) % 64);
        }
        runs.follow(testsupport::tableOf(part), bits, kept);
      }
      runs.finish(kept);
      EXPECT_EQ(runs.inOrder(), c.inOrder);
      if (!c.inOrder) {
        EXPECT_FALSE(kept);  // nothing kept from a frame whose residues are not in order
        continue;
      }
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

}  // namespace
}  // namespace selection
