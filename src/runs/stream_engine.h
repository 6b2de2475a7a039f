// The selection of one frame streamed from unit 10: the atom lines pass a chunk of records at
// a time, so that memory holds a few bits per atom (the matching atoms, the residue list)
// whatever the file's size. A regular file is read again for the passes after the first;
// any other input keeps its records in a RecordSpill.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frames/atom_table.h"
#include "picture/plot_grid.h"
#include "results/result_files.h"
#include "runs/engine.h"
#include "selection/run_state.h"

namespace runs {

// A frame's title and count lines, read. The count line's number; the title is skipped.
struct FrameHeader {
  std::int64_t declaredCount = 0;
};

// Reads the title and the count line at unit 10's position, without guard: their failures
// are severe reports, as for a whole-file load. Lines of unit 10 are kept to their first
// columns from here on (a line of any length takes bounded memory).
FrameHeader readFrameHeader();

class StreamSelection {
 public:
  // Unit 10 stands at the first atom line of the frame `header` was read from.
  explicit StreamSelection(const FrameHeader& header, const frames::LoadTuning& tuning = {});
  ~StreamSelection();
  StreamSelection(const StreamSelection&) = delete;
  StreamSelection& operator=(const StreamSelection&) = delete;

  // Makes the passes gather the selection picture's grids (before selectAndCount).
  void drawPicture();

  // --pbc, before selectAndCount: reads the frame's box line first (a file's found by
  // counting its lines, a pipe's after its records are all read into the spill) and makes
  // every pass see each atom at its image nearest to the region's centre, as
  // takeNearestImages moves a table's. Answers the problem with the box, or nullopt.
  std::optional<std::string> takePeriodicImages(const selection::RunState& state);

  // The line after the frame's atom lines, once writeSelected is done: read now, or the one
  // takePeriodicImages took from a pipe. nullopt when the file ends there.
  std::optional<std::string> boxLine();

  // The first pass over the atom lines (and, with "yes" where a residue number recurs apart
  // from its first run, a pass that counts the residues' atoms), then the region and count
  // lines of result.gro (unit 15, open). Leaves unit 10 after the frame's atom lines.
  SelectionCounts selectAndCount(selection::RunState& state);

  // The list.ndx heading, the atom lines and numbers of the selected atoms (a pass over the
  // atom lines again), the last line of result.gro and, with "yes", residue.txt on unit 17,
  // which `openResidueFile` connects just before it is written. Leaves unit 10 after the
  // frame's atom lines, where the box line is.
  void writeSelected(const selection::RunState& state,
                     const std::function<void()>& openResidueFile);

  results::NumberLayout numbers() const;
  // Records read (atom lines that could be read).
  std::uint64_t atoms() const { return atoms_; }
  // The picture's grids once writeSelected is done; nullptr without drawPicture.
  const picture::SelectionDensity* picture() const { return density_.get(); }
  std::unique_ptr<picture::SelectionDensity> takePicture() { return std::move(density_); }

 private:
  struct Passes;
  std::unique_ptr<Passes> passes_;
  // The selected atoms of a chunk into the picture being gathered.
  void drawSelected(const frames::AtomTable& view, const std::vector<std::uint64_t>& bits);

  std::uint64_t atoms_ = 0;
  // Every atom as pass 1 reads it, the selected ones as they are written.
  std::unique_ptr<picture::StreamedDensity> gathering_;
  std::unique_ptr<picture::SelectionDensity> density_;
};

// What selecting a frame gave: its counts, its records, and the line after its atom lines
// (its box line; nullopt when the file ends there).
struct FrameSelected {
  SelectionCounts counts;
  std::uint64_t atoms = 0;
  std::optional<std::string> boxLine;
};

// One frame from unit 10 positioned at its title into the open result units (15, 16, and 17
// through `openResidueFile` with "yes"): title and count, the passes, the result lines, then
// its box line read. Leaves unit 10 at the next frame's title. `picture`, when given, gets
// the frame's grids.
FrameSelected selectFrame(selection::RunState& state, const std::function<void()>& openResidueFile,
                          std::unique_ptr<picture::SelectionDensity>* picture = nullptr,
                          const frames::LoadTuning& tuning = {});

}  // namespace runs
