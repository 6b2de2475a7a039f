// Writers of result.gro, list.ndx and residue.txt.
#include "selection/result_files.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "textio/fixed_statements.h"
#include "textio/free_form.h"

namespace selection {
namespace {

std::string_view text(const std::array<char, 5>& name) { return {name.data(), name.size()}; }
std::string_view text(const char (&name)[5]) { return {name, 5}; }

// Columns the decimal text of a number takes, sign included.
int decimalWidth(std::int64_t value) {
  int width = value < 0 ? 2 : 1;
  for (std::uint64_t rest = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                      : static_cast<std::uint64_t>(value);
       rest >= 10; rest /= 10) {
    ++width;
  }
  return width;
}

void writeInteger(int unit, std::int32_t value, int width, textio::Advance advance) {
  const textio::FieldDescriptor field = textio::fieldI(width);
  textio::writeFixed(unit, textio::FixedLayout(&field, 1), {value}, advance);
}

}  // namespace

void writeRegionLine(const RunState& state) {
  namespace L = textio::layouts;
  const auto& b = state.parameters.box;
  const auto& s = state.parameters.ball;
  const auto& c = state.parameters.cylinder;
  const std::string_view atom = text(state.names.atomName);
  const std::string_view residue = text(state.names.residueName);
  switch (static_cast<RegionShape>(state.shape)) {
    case RegionShape::Box:
      textio::writeFixed(kResultUnit, L::kBoxRegion,
                         {"x/y/z-min/max ", b[0], b[2], b[4], b[1], b[3], b[5], " atom:", atom,
                          "resid:", residue});
      break;
    case RegionShape::InvertBox:
      textio::writeFixed(kResultUnit, L::kInvertBoxRegion,
                         {"invert x/y/z-min/max ", b[0], b[2], b[4], b[1], b[3], b[5],
                          " atom:", atom, "resid:", residue});
      break;
    case RegionShape::Ball:
      textio::writeFixed(kResultUnit, L::kBallRegion,
                         {"x/y/z of center", s[0], s[1], s[2], " radius", s[3], "atom: ", atom,
                          "residue:", residue});
      break;
    case RegionShape::InvertBall:
      textio::writeFixed(kResultUnit, L::kInvertBallRegion,
                         {"invert x/y/z of center", s[0], s[1], s[2], " radius", s[3],
                          "atom: ", atom, "residue: ", residue});
      break;
    case RegionShape::Cylinder:
      textio::writeFixed(kResultUnit, L::kCylinderRegion,
                         {"r/zmin/zmax/x/y of axis ", c[0], c[1], c[2], c[3], c[4], " atom:", atom,
                          "resid:", residue});
      break;
    case RegionShape::InvertCylinder:
      textio::writeFixed(kResultUnit, L::kInvertCylinderRegion,
                         {"invert r/zmin/zmax/x/y of axis ", c[0], c[1], c[2], c[3], c[4],
                          " atom:", atom, "resid:", residue});
      break;
  }
}

void writeCountLine(const RunState& state, std::int64_t count, NumberLayout layout) {
  const auto value = static_cast<std::int32_t>(count);
  if (state.wholeResidues != WholeResidues::Yes) {
    textio::writeList(kResultUnit, {value});
    return;
  }
  const int width = layout == NumberLayout::Wide ? std::max(5, decimalWidth(count)) : 5;
  writeInteger(kResultUnit, value, width, textio::Advance::Yes);
}

void writeIndexHeading() { textio::writeList(kIndexUnit, {std::string_view("[selected-atoms]")}); }

void acceptAtom(const AtomRecord& record, std::int64_t ordinal, std::int32_t atomNumber,
                NumberLayout layout, textio::FixedLayout atomLine) {
  textio::writeFixed(
      kResultUnit, atomLine,
      {record.residueNumber, text(record.residueName), text(record.atomName), record.atomNumber,
       record.x, record.y, record.z, record.vx, record.vy, record.vz});
  if (layout == NumberLayout::Wide) {
    writeInteger(kIndexUnit, atomNumber, std::max(6, decimalWidth(atomNumber) + 1),
                 textio::Advance::No);
  } else {
    textio::writeFixed(kIndexUnit, textio::layouts::kI6, {atomNumber}, textio::Advance::No);
  }
  if (ordinal % kIndexNumbersPerLine == 0) textio::writeList(kIndexUnit, {});
}

void writeLastLine(const RunState& state) {
  const auto& b = state.parameters.box;
  textio::writeFixed(kResultUnit, textio::layouts::kLastLine, {b[1], b[3], b[5]});
}

void writeResidueFile(const ResidueList& list, NumberLayout layout) {
  for (std::int32_t number : list) {
    if (layout == NumberLayout::Wide) {
      writeInteger(kResidueUnit, number, std::max(6, decimalWidth(number)), textio::Advance::Yes);
    } else {
      textio::writeFixed(kResidueUnit, textio::layouts::kI6, {number});
    }
  }
}

}  // namespace selection
