// Everything the user typed and the run's counters, owned by the driver for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "selection/region.h"

namespace selection {

inline constexpr std::size_t kAnswerLength = 80;

// The whole-residue answer: exactly "yes", exactly "no" (trailing blanks ignored,
// case-sensitive), or anything else (single atoms, no residue file).
enum class WholeResidues { Yes, No, Other };

// Residue numbers of the runs of consecutive selected atoms, in file order; a number
// recurs when its selected atoms are not adjacent.
using ResidueList = std::vector<std::int32_t>;

struct RunState {
  std::array<char, kAnswerLength> fileName = blanks();
  bool fileExists = false;
  std::int32_t shape = 0;
  ShapeParameters parameters;
  std::array<char, kAnswerLength> wholeResidueAnswer = blanks();
  WholeResidues wholeResidues = WholeResidues::Other;
  NameFilter names;
  std::int32_t atomCounter = 0;
  ResidueList residues;
  // One bit per table record (bit i % 64 of word i / 64), for the second pass: the atoms that
  // matched the names and the region (firstPass), and with "yes" the atoms of the listed
  // residues (selectAndCount; firstPass clears it).
  std::vector<std::uint64_t> matched;
  std::vector<std::uint64_t> inListedResidues;
  // Set by firstPass: the true residue numbers never fall from record to record, so the atoms
  // of each residue number lie in one run.
  bool residuesInOrder = false;

  static constexpr std::array<char, kAnswerLength> blanks() {
    std::array<char, kAnswerLength> text{};
    text.fill(' ');
    return text;
  }
};

}  // namespace selection
