// The shared back half of a run: passes and writers in the order the result files need.
#include "runs/engine.h"

#include "selection/passes.h"
#include "textio/units/unit.h"

namespace selection {

NumberLayout numberLayoutOf(const AtomTable& table) {
  return hasWrappedNumbers(table) ? NumberLayout::Wide : NumberLayout::FiveColumn;
}

SelectionCounts selectAndCount(const AtomTable& table, RunState& state, NumberLayout numbers) {
  firstPass(table, state);
  writeRegionLine(state);
  std::int64_t count = state.atomCounter;
  if (state.wholeResidues == WholeResidues::Yes) {
    count = markWholeResidues(table, state);
    state.atomCounter = static_cast<std::int32_t>(count);
  }
  writeCountLine(state, count, numbers);
  return {state.atomCounter, static_cast<std::int32_t>(state.residues.size())};
}

void writeSelected(const AtomTable& table, const RunState& state, NumberLayout numbers,
                   const std::function<void()>& openResidueFile, std::string_view frameSuffix) {
  if (!frameSuffix.empty()) endIndexRow();  // the group of the frame before
  writeIndexHeading(frameSuffix);
  // Atom lines keep the decimals the coordinate file was written with.
  const textio::FixedLayout atomLine = atomLineLayout(table.decimalSpacing);
  writeSelectedAtoms(table, selectedAtoms(table, state), numbers, atomLine);
  writeLastLine(state);
  if (state.wholeResidues == WholeResidues::Yes) {
    openResidueFile();
    if (!frameSuffix.empty()) writeResidueHeading(frameSuffix);
    writeResidueFile(state.residues, numbers);
  }
}

void closeRunFiles() {
  textio::closeUnit(kResultUnit);
  textio::closeUnit(kIndexUnit);
  textio::closeUnit(kResidueUnit);
  textio::closeUnit(kCoordinateUnit);
}

}  // namespace selection
