// The shared back half of a run: passes and writers in the order the result files need.
#include "runs/engine.h"

#include "results/atom_writer.h"
#include "results/index_file.h"
#include "results/residue_file.h"
#include "results/result_gro.h"
#include "selection/passes.h"
#include "textio/units/unit.h"

namespace runs {

results::NumberLayout numberLayoutOf(const frames::AtomTable& table) {
  return frames::hasWrappedNumbers(table) ? results::NumberLayout::Wide
                                          : results::NumberLayout::FiveColumn;
}

SelectionCounts selectAndCount(const frames::AtomTable& table, selection::RunState& state,
                               results::NumberLayout numbers) {
  selection::firstPass(table, state);
  results::writeRegionLine(state);
  std::int64_t count = state.atomCounter;
  if (state.wholeResidues == selection::WholeResidues::Yes) {
    count = selection::markWholeResidues(table, state);
    state.atomCounter = static_cast<std::int32_t>(count);
  }
  results::writeCountLine(state, count, numbers);
  return {state.atomCounter, static_cast<std::int32_t>(state.residues.size())};
}

void writeSelected(const frames::AtomTable& table, const selection::RunState& state,
                   results::NumberLayout numbers, const std::function<void()>& openResidueFile,
                   std::string_view frameSuffix) {
  if (!frameSuffix.empty()) results::endIndexRow();  // the group of the frame before
  results::writeIndexHeading(frameSuffix);
  // Atom lines keep the decimals the coordinate file was written with.
  const textio::layouts::FixedLayout atomLine = frames::atomLineLayout(table.decimalSpacing);
  results::writeSelectedAtoms(table, selection::selectedAtoms(table, state), numbers, atomLine);
  results::writeLastLine(state);
  if (state.wholeResidues == selection::WholeResidues::Yes) {
    openResidueFile();
    if (!frameSuffix.empty()) results::writeResidueHeading(frameSuffix);
    results::writeResidueFile(state.residues, numbers);
  }
}

void closeRunFiles() {
  textio::units::closeUnit(results::kResultUnit);
  textio::units::closeUnit(results::kIndexUnit);
  textio::units::closeUnit(results::kResidueUnit);
  textio::units::closeUnit(frames::kCoordinateUnit);
}

}  // namespace runs
