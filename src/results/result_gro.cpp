// The region, count and last lines of result.gro.
#include "results/result_gro.h"

#include <algorithm>
#include <string_view>

#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"

namespace results {

void writeRegionLine(const selection::RunState& state) {
  namespace L = textio::layouts;
  const auto& b = state.parameters.box;
  const auto& s = state.parameters.ball;
  const auto& c = state.parameters.cylinder;
  const std::string_view atom = nameView(state.names.atomName);
  const std::string_view residue = nameView(state.names.residueName);
  switch (static_cast<selection::RegionShape>(state.shape)) {
    case selection::RegionShape::Box:
      textio::layouts::writeFixed(kResultUnit, L::kBoxRegion,
                                  {"x/y/z-min/max ", b[0], b[2], b[4], b[1], b[3], b[5],
                                   " atom:", atom, "resid:", residue});
      break;
    case selection::RegionShape::InvertBox:
      textio::layouts::writeFixed(kResultUnit, L::kInvertBoxRegion,
                                  {"invert x/y/z-min/max ", b[0], b[2], b[4], b[1], b[3], b[5],
                                   " atom:", atom, "resid:", residue});
      break;
    case selection::RegionShape::Ball:
      textio::layouts::writeFixed(kResultUnit, L::kBallRegion,
                                  {"x/y/z of center", s[0], s[1], s[2], " radius", s[3],
                                   "atom: ", atom, "residue:", residue});
      break;
    case selection::RegionShape::InvertBall:
      textio::layouts::writeFixed(kResultUnit, L::kInvertBallRegion,
                                  {"invert x/y/z of center", s[0], s[1], s[2], " radius", s[3],
                                   "atom: ", atom, "residue: ", residue});
      break;
    case selection::RegionShape::Cylinder:
      textio::layouts::writeFixed(kResultUnit, L::kCylinderRegion,
                                  {"r/zmin/zmax/x/y of axis ", c[0], c[1], c[2], c[3], c[4],
                                   " atom:", atom, "resid:", residue});
      break;
    case selection::RegionShape::InvertCylinder:
      textio::layouts::writeFixed(kResultUnit, L::kInvertCylinderRegion,
                                  {"invert r/zmin/zmax/x/y of axis ", c[0], c[1], c[2], c[3], c[4],
                                   " atom:", atom, "resid:", residue});
      break;
  }
}

void writeCountLine(const selection::RunState& state, std::int64_t count, NumberLayout layout) {
  const auto value = static_cast<std::int32_t>(count);
  if (state.wholeResidues != selection::WholeResidues::Yes) {
    textio::freeform::writeList(kResultUnit, {value});
    return;
  }
  const int width = layout == NumberLayout::Wide ? std::max(5, decimalWidth(count)) : 5;
  writeInteger(kResultUnit, value, width, textio::layouts::Advance::Yes);
}

void writeLastLine(const selection::RunState& state) {
  const auto& b = state.parameters.box;
  textio::layouts::writeFixed(kResultUnit, textio::layouts::kLastLine, {b[1], b[3], b[5]});
}

}  // namespace results
