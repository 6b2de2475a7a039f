// The frame loop. Every frame goes through the loader and the engine exactly as a file of
// that one frame would, so that its block of each result file is that file's text.
#include "runs/frame_run.h"

#include <array>

#include "frames/atom_table.h"
#include "frames/frame_time.h"
#include "frames/table_loader.h"
#include "runs/engine.h"
#include "selection/passes.h"
#include "textio/freeform/free_form.h"

namespace runs {
namespace {

// The largest table of a frame that waits to be selected while the next frame is read.
constexpr std::size_t kWaitingTableBytes = 16 << 20;

// One frame as loaded: its table (in the kept block) and the lines around its atom lines.
struct Frame {
  frames::AtomTable table;
  std::optional<double> time;  // from the title's t=
  std::string boxLine;         // the line after the atom lines, as written
};

std::string frameName(std::uint64_t index, std::optional<double> time) {
  std::string name = "frame " + std::to_string(index);
  if (time) name += " (t=" + frames::timeText(*time) + ")";
  return name;
}

// The next frame, or nullopt when the file ends before its title, or `cutShort` set when it
// ends within the frame.
std::optional<Frame> readFrame(std::uint64_t index, frames::TableBlock& block,
                               const selection::RunState& answers,
                               std::optional<std::string>& cutShort,
                               const std::function<void()>& whileConverting) {
  const std::optional<std::string> title = frames::peekCoordinateLine();
  // Before the first frame the end of the file is report 24, as for a single frame.
  if (!title && index > 0) return std::nullopt;
  Frame frame;
  if (title) frame.time = frames::titleTime(*title);
  textio::freeform::readList(frames::kCoordinateUnit, {});  // the title line
  if (index > 0 && !frames::peekCoordinateLine()) {
    cutShort = frameName(index, frame.time) + " is cut short: the file ends after its title";
    return std::nullopt;
  }
  frames::LoadTuning tuning;
  tuning.frameSized = true;
  tuning.whileConverting = whileConverting;
  // The names and region tested on the converter's threads as the atoms are read.
  tuning.recordTest = [&answers](frames::AtomRecord* records, std::size_t count) {
    selection::markMatches(records, count, answers);
  };
  frame.table = frames::loadCountAndAtoms(tuning, &block);
  if (frame.table.endedEarly) {
    cutShort = frameName(index, frame.time) + " is cut short: the file ends after " +
               std::to_string(frame.table.size) + " of its " +
               std::to_string(frame.table.declaredCount) + " atom lines";
    return std::nullopt;
  }
  std::optional<std::string> box = frames::readBoxLine();
  if (!box) {
    cutShort = frameName(index, frame.time) + " is cut short: the file ends before its box line";
    return std::nullopt;
  }
  frame.boxLine = std::move(*box);
  return frame;
}

// The engine on one frame, with fresh counters and the frame's group names.
series::FrameCount selectFrame(const Frame& frame, std::uint64_t index,
                               const selection::RunState& answers) {
  selection::RunState state = answers;
  const results::NumberLayout numbers = numberLayoutOf(frame.table);
  const SelectionCounts counts = selectAndCount(frame.table, state, numbers);
  writeSelected(
      frame.table, state, numbers, [] {}, frames::frameSuffix(index, frame.time));
  return {index, frame.time, counts.atoms, counts.residues};
}

}  // namespace

FramesRead runFrames(const selection::RunState& answers, const FrameSlice& slice,
                     const std::function<void()>& openResults, const FrameStep& prepareFrame) {
  FramesRead read;
  // Two blocks, so that a chosen frame can wait in one, to be selected while the next one is
  // converted into the other; the read buffers and the crew are shared.
  std::array<frames::TableBlock, 2> blocks;
  unsigned current = 0;
  bool opened = false;
  std::optional<Frame> waiting;
  std::uint64_t waitingIndex = 0;
  const std::function<void()> selectWaiting = [&] {
    if (!waiting) return;
    read.chosen.push_back(selectFrame(*waiting, waitingIndex, answers));
    waiting.reset();
  };
  for (std::uint64_t index = 0;; ++index) {
    if (slice.endsBefore(index) && opened) break;
    // A frame waiting is in the other block (it is always the one before).
    if (waiting) current = 1 - current;
    std::optional<Frame> frame =
        readFrame(index, blocks[current], answers, read.cutShort, selectWaiting);
    selectWaiting();  // when no block of the frame was converted
    blocks[1 - current].input = blocks[current].input;
    blocks[1 - current].converter = blocks[current].converter;
    if (!frame) break;
    ++read.complete;
    if (!slice.contains(index)) continue;
    if (!opened) openResults();
    opened = true;
    prepareFrame(frame->table, frame->boxLine, index);
    // A large frame is selected at once: two tables of it would double the memory.
    if (frame->table.size * sizeof(frames::AtomRecord) <= kWaitingTableBytes) {
      waiting = std::move(frame);
      waitingIndex = index;
    } else {
      read.chosen.push_back(selectFrame(*frame, index, answers));
    }
  }
  selectWaiting();
  for (frames::TableBlock& block : blocks) frames::releaseTableBlock(block);
  return read;
}

}  // namespace runs
