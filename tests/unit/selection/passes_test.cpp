// Selection passes: residue runs, the whole-residue recount (each atom once), the second
// pass with "yes", "no" and other answers, and true numbers of wrapped tables.
#include "selection/passes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/crew.h"
#include "table_views.h"

namespace selection {
namespace {

struct Atom {
  std::int32_t residue;
  const char* residueName;
  const char* atomName;
  std::int32_t number;
  float x;
};

class Table {
 public:
  explicit Table(const std::vector<Atom>& atoms) {
    for (const Atom& a : atoms) {
      frames::AtomRecord r{};
      r.residueNumber = a.residue;
      std::memcpy(r.residueName, a.residueName, 5);
      std::memcpy(r.atomName, a.atomName, 5);
      r.atomNumber = a.number;
      r.x = a.x;
      records_.push_back(r);
    }
    table_.records = records_.data();
    table_.size = records_.size();
    table_.declaredCount = static_cast<std::int64_t>(records_.size());
  }
  frames::AtomTable& get() { return table_; }

 private:
  std::vector<frames::AtomRecord> records_;
  frames::AtomTable table_;
};

RunState stateFor(WholeResidues answer) {
  RunState state;
  state.shape = 1;
  state.parameters.box = {0.0f, 1.0f, -1.0f, 1.0f, -1.0f, 1.0f};  // x strictly in (0, 1)
  std::memcpy(state.names.atomName.data(), "OW   ", 5);
  std::memcpy(state.names.residueName.data(), "SOL  ", 5);
  state.wholeResidues = answer;
  return state;
}

// Two selected waters 5 and 6, later another selected oxygen of residue 5 (file order).
std::vector<Atom> splitResidueFive() {
  return {
      {5, "SOL  ", "   OW", 1, 0.5f}, {5, "SOL  ", "  HW1", 2, 0.5f},
      {5, "SOL  ", "  HW2", 3, 0.5f}, {6, "SOL  ", "   OW", 4, 0.5f},
      {6, "SOL  ", "  HW1", 5, 0.5f}, {7, "SOL  ", "   OW", 6, 5.0f},  // outside the box
      {7, "SOL  ", "  HW1", 7, 0.5f}, {5, "SOL  ", "   OW", 8, 0.5f},
      {9, "LIG  ", "   C1", 9, 0.5f},
  };
}

std::vector<std::int32_t> selectedNumbers(const frames::AtomTable& table, const RunState& state) {
  std::vector<std::int32_t> numbers;
  std::int64_t expectedOrdinal = 0;
  secondPass(table, state, [&](const frames::AtomRecord&, std::int64_t ordinal, std::int32_t atom) {
    EXPECT_EQ(ordinal, ++expectedOrdinal);
    numbers.push_back(atom);
  });
  return numbers;
}

TEST(FirstPass, ListsEachRunOfSelectedAtoms) {
  Table table(splitResidueFive());
  RunState state = stateFor(WholeResidues::No);
  firstPass(table.get(), state);
  EXPECT_EQ(state.atomCounter, 3);
  EXPECT_EQ(state.residues, (ResidueList{5, 6, 5}));
}

TEST(FirstPass, NothingSelected) {
  Table table(splitResidueFive());
  RunState state = stateFor(WholeResidues::Yes);
  state.shape = 7;
  firstPass(table.get(), state);
  EXPECT_EQ(state.atomCounter, 0);
  EXPECT_TRUE(state.residues.empty());
  EXPECT_EQ(recountWholeResidues(table.get(), state.residues), 0);
  EXPECT_TRUE(selectedNumbers(table.get(), state).empty());
}

TEST(Recount, CountsEachAtomOnceWhateverTheRepeatsInTheList) {
  Table table(splitResidueFive());
  // Residue 5 has four atoms, residue 6 two; 5 occurs twice in the list.
  EXPECT_EQ(recountWholeResidues(table.get(), {5, 6, 5}), 6);
  EXPECT_EQ(recountWholeResidues(table.get(), {7}), 2);
  EXPECT_EQ(recountWholeResidues(table.get(), {}), 0);
  EXPECT_EQ(recountWholeResidues(table.get(), {42}), 0);
}

TEST(SecondPass, SelectionByAnswer) {
  Table table(splitResidueFive());
  struct Case {
    WholeResidues answer;
    std::vector<std::int32_t> atoms;
  };
  const Case cases[] = {
      {WholeResidues::No, {1, 4, 8}},
      {WholeResidues::Other, {1, 4, 8}},
      // whole residues 5 and 6, hydrogens (which fail the names) included, in file order
      {WholeResidues::Yes, {1, 2, 3, 4, 5, 8}},
  };
  for (const Case& c : cases) {
    RunState state = stateFor(c.answer);
    firstPass(table.get(), state);
    const std::vector<std::int32_t> written = selectedNumbers(table.get(), state);
    EXPECT_EQ(written, c.atoms);
    if (c.answer == WholeResidues::Yes) {
      EXPECT_EQ(recountWholeResidues(table.get(), state.residues),
                static_cast<std::int64_t>(written.size()));
    }
  }
}

TEST(ResidueSet, MembershipOverTheListsRange) {
  const ResidueSet set(ResidueList{-9999, 5, 99999, 5});
  for (std::int32_t n : {-9999, 5, 99999}) EXPECT_TRUE(set.contains(n)) << n;
  for (std::int32_t n : {-10000, -9998, 4, 6, 99998, 100000, 0}) EXPECT_FALSE(set.contains(n)) << n;
  const ResidueSet empty(ResidueList{});
  EXPECT_FALSE(empty.contains(0));
  EXPECT_FALSE(empty.contains(1));
}

TEST(WrapCursor, OffsetsGrowAtEachWrapPoint) {
  frames::NumberWraps wraps;
  wraps.points = {2, 4, 5};
  frames::WrapCursor cursor(wraps);
  const std::int32_t expected[] = {0, 0, 100000, 100000, 200000, 300000, 300000};
  for (std::int32_t offset : expected) EXPECT_EQ(cursor.next(), offset);
}

TEST(SecondPass, WrappedNumbersKeepResiduesApart) {
  // Residue 1 and residue 100001 share the five-column number 1.
  Table table({{1, "SOL  ", "   OW", 1, 5.0f},
               {1, "SOL  ", "  HW1", 2, 5.0f},
               {99999, "SOL  ", "   OW", 3, 5.0f},
               {0, "SOL  ", "   OW", 4, 5.0f},
               {1, "SOL  ", "   OW", 5, 0.5f},
               {1, "SOL  ", "  HW1", 6, 5.0f}});
  table.get().declaredCount = 300000;
  table.get().residueWraps.points = {3};
  table.get().atomWraps.points = {};
  RunState state = stateFor(WholeResidues::Yes);
  firstPass(table.get(), state);
  EXPECT_EQ(state.residues, (ResidueList{100001}));
  EXPECT_EQ(recountWholeResidues(table.get(), state.residues), 2);
  EXPECT_EQ(selectedNumbers(table.get(), state), (std::vector<std::int32_t>{5, 6}));
}

// Tables large enough to be split over the cores: the parts' counts, residue runs (a run
// crossing a part boundary is listed once), bits and written atoms equal one walk in file
// order, with and without wrapped numbers.
TEST(Passes, PartsOfALargeTableGiveWhatOneWalkGives) {
  constexpr std::size_t kAtoms = 3 * 65536 + 17;
  std::vector<Atom> atoms;
  atoms.reserve(kAtoms);
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  std::int32_t residue = 1;
  for (std::size_t i = 0; i < kAtoms; ++i) {
    // Runs of 1 to 300 atoms per residue, so runs cross every part boundary now and then.
    if (next() % 150 == 0) residue = residue % 99999 + 1;
    const bool oxygen = next() % 3 == 0;
    atoms.push_back({residue, "SOL  ", oxygen ? "   OW" : "  HW1",
                     static_cast<std::int32_t>(i % 100000), (next() % 4 == 0) ? 5.0f : 0.5f});
  }
  for (const bool wrapped : {false, true}) {
    Table table(atoms);
    if (wrapped) {
      table.get().declaredCount = kAtoms;
      table.get().atomWraps.points = {100000, 200000};
      table.get().residueWraps.points = {65536, 65537, 131072 + 64};
    }
    for (const WholeResidues answer : {WholeResidues::No, WholeResidues::Yes}) {
      SCOPED_TRACE(testing::Message() << wrapped << " " << static_cast<int>(answer));
      RunState state = stateFor(answer);
      firstPass(table.get(), state);
      // One walk in file order.
      std::int64_t count = 0;
      ResidueList residues;
      frames::WrapCursor residueOffsets(table.get().residueWraps);
      std::vector<std::int32_t> trueResidue;
      for (std::size_t i = 0; i < kAtoms; ++i) {
        const frames::AtomRecord& r = table.get().records[i];
        trueResidue.push_back(r.residueNumber + residueOffsets.next());
        if (!matches(r, state.names, state.shape, state.parameters)) continue;
        ++count;
        if (residues.empty() || residues.back() != trueResidue.back()) {
          residues.push_back(trueResidue.back());
        }
      }
      EXPECT_EQ(state.atomCounter, count);
      EXPECT_EQ(state.residues, residues);
      const ResidueSet listed(residues);
      frames::WrapCursor atomOffsets(table.get().atomWraps);
      std::vector<std::int32_t> expected;
      for (std::size_t i = 0; i < kAtoms; ++i) {
        const frames::AtomRecord& r = table.get().records[i];
        const std::int32_t atom = r.atomNumber + atomOffsets.next();
        if (matches(r, state.names, state.shape, state.parameters) ||
            (answer == WholeResidues::Yes && listed.contains(trueResidue[i]))) {
          expected.push_back(atom);
        }
      }
      if (answer == WholeResidues::Yes) {
        EXPECT_EQ(markListedResidues(table.get(), state.residues, state.inListedResidues),
                  static_cast<std::int64_t>(expected.size()));
      }
      EXPECT_EQ(selectedNumbers(table.get(), state), expected);
      // Without the first pass's bits the second pass finds the same atoms.
      state.matched.clear();
      state.inListedResidues.clear();
      EXPECT_EQ(selectedNumbers(table.get(), state), expected);
    }
  }
}

// The runs around the matching atoms against the walk over the table, for tables whose true
// residue numbers are in order and tables where they are not (then the walk must be taken).
TEST(WholeResidues, RunsOfMatchesMarkWhatTheListedResiduesGive) {
  constexpr std::size_t kAtoms = 2 * 65536 + 999;  // split over the cores where there are two
  struct Case {
    const char* name;
    // Changes the raw residue numbers and wrap points of an in-order table.
    std::function<void(std::vector<frames::AtomRecord>&, frames::NumberWraps&)> change;
    bool inOrder;
  };
  const auto at = [](std::size_t i) { return static_cast<std::uint32_t>(i); };
  const Case cases[] = {
      {"in order", [](std::vector<frames::AtomRecord>&, frames::NumberWraps&) {}, true},
      {"a fall of exactly 100000 at a wrap point keeps one residue",
       [&](std::vector<frames::AtomRecord>& r, frames::NumberWraps& w) {
         // 99999 then -1: residue 99999 goes on across the wrap point.
         for (std::size_t i = 70000; i < 70010; ++i) r[i].residueNumber = 99999;
         for (std::size_t i = 70010; i < 70020; ++i) r[i].residueNumber = -1;
         for (std::size_t i = 70020; i < kAtoms; ++i) r[i].residueNumber = 0;
         // Matching only after the wrap point: the run reaches back across it.
         for (std::size_t i = 69000; i < 70020; ++i) r[i].x = 5.0f;
         std::memcpy(r[70015].atomName, "   OW", 5);
         r[70015].x = 0.5f;
         w.points = {at(70010)};
       },
       true},
      {"a residue number again later",
       [](std::vector<frames::AtomRecord>& r, frames::NumberWraps&) {
         r[kAtoms - 1].residueNumber = 1;
       },
       false},
      {"a small fall",
       [](std::vector<frames::AtomRecord>& r, frames::NumberWraps&) {
         r[1000].residueNumber = r[999].residueNumber - 1;
       },
       false},
      {"a fall where the table is split over the cores",
       [](std::vector<frames::AtomRecord>& r, frames::NumberWraps&) {
         const platform::PartPlan plan = platform::planParts(kAtoms, 65536, 64);
         for (std::size_t i = plan.begin(plan.parts - 1); i < kAtoms; ++i) r[i].residueNumber = 1;
       },
       false},
      {"a fall of more than 100000 at a wrap point",
       [&](std::vector<frames::AtomRecord>& r, frames::NumberWraps& w) {
         for (std::size_t i = 5000; i < kAtoms; ++i) r[i].residueNumber = -5;
         r[4999].residueNumber = 99999;
         w.points = {at(5000)};
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<frames::AtomRecord> records(kAtoms);
    std::uint32_t seed = 777;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    std::int32_t residue = 1;
    for (std::size_t i = 0; i < kAtoms; ++i) {
      // Runs of 1 to 300 atoms, oxygens selected now and then, one run all of the table's
      // first thousand records.
      if (i > 1000 && next() % 100 == 0) ++residue;
      frames::AtomRecord& r = records[i];
      r.residueNumber = residue;
      std::memcpy(r.residueName, "SOL  ", 5);
      std::memcpy(r.atomName, next() % 7 == 0 ? "   OW" : "  HW1", 5);
      r.atomNumber = static_cast<std::int32_t>(i % 100000);
      r.x = next() % 50 == 0 || i == 0 || i == kAtoms - 1 ? 0.5f : 5.0f;
    }
    frames::AtomTable table = testsupport::tableOf(records);
    c.change(records, table.residueWraps);
    RunState state = stateFor(WholeResidues::Yes);
    firstPass(table, state);
    EXPECT_EQ(state.residuesInOrder, c.inOrder);
    std::vector<std::uint64_t> listed;
    const std::int64_t count = markListedResidues(table, state.residues, listed);
    EXPECT_EQ(markWholeResidues(table, state), count);
    EXPECT_EQ(state.inListedResidues, listed);
    if (c.inOrder) {
      std::vector<std::uint64_t> runs;
      EXPECT_EQ(markRunsOfMatches(table, state.matched, runs), count);
      EXPECT_EQ(runs, listed);
    }
  }
}

// The record test the converting threads run (names as words) marks exactly the records
// matches() accepts: every name over a small alphabet as atom and as residue name, against
// every answer over it and the wildcard, the region deciding where the names match.
TEST(MarkMatches, AgreesWithMatchesOnEveryShortName) {
  const char alphabet[] = {' ', 'O', 'W', '\t'};
  const auto nameOf = [&](int code, char* out) {
    for (int i = 0; i < 5; ++i, code /= 4) out[i] = alphabet[code % 4];
  };
  std::vector<frames::AtomRecord> records;
  for (int n = 0; n < 1024; ++n) {
    frames::AtomRecord record{};
    nameOf(n, record.atomName);
    std::memcpy(record.residueName, "OW   ", 5);
    record.x = record.y = record.z = n % 3 == 0 ? 2.0f : 0.5f;  // a third outside the box
    records.push_back(record);
    std::swap_ranges(record.atomName, record.atomName + 5, record.residueName);
    records.push_back(record);
  }
  int mismatches = 0;
  int marked = 0;
  for (int a = 0; a <= 1024; ++a) {
    std::array<char, 5> answer = {'a', 'n', 'y', ' ', ' '};
    if (a < 1024) nameOf(a, answer.data());
    for (const bool asAtom : {true, false}) {
      RunState state;
      state.names.atomName = asAtom ? answer : std::array<char, 5>{'O', 'W', ' ', ' ', ' '};
      state.names.residueName = asAtom ? std::array<char, 5>{'O', 'W', ' ', ' ', ' '} : answer;
      state.shape = 1;
      state.parameters.box = {0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f};
      markMatches(records.data(), records.size(), state);
      for (const frames::AtomRecord& record : records) {
        marked += record.mark;
        if ((record.mark != 0) != matches(record, state.names, state.shape, state.parameters)) {
          ++mismatches;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(marked, 2048);  // the wildcard alone marks two thirds of both halves
}

}  // namespace
}  // namespace selection
