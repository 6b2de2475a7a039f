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

  static constexpr std::array<char, kAnswerLength> blanks() {
    std::array<char, kAnswerLength> text{};
    text.fill(' ');
    return text;
  }
};

}  // namespace selection
