// The streamed passes of a frame: every pass takes the atom records a chunk at a time, works
// out the chunk's wrapped numbers from the record before it, and keeps only bits and the
// residue list from one chunk to the next.
#include "runs/stream_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>

#include "frames/atom_chunks.h"
#include "frames/record_spill.h"
#include "platform/platform.h"
#include "results/atom_writer.h"
#include "results/index_file.h"
#include "results/residue_file.h"
#include "results/result_gro.h"
#include "runs/frame_bits.h"
#include "runs/load_progress.h"
#include "selection/kept_atoms.h"
#include "selection/passes.h"
#include "selection/periodic_box.h"
#include "selection/residue_runs.h"
#include "textio/bulk/input_position.h"
#include "textio/bulk/line_skip.h"
#include "textio/units/unit.h"

namespace runs {
namespace {

bool fallsFar(std::int32_t previous, std::int32_t value) {
  return static_cast<std::int64_t>(previous) - value > frames::kWrapFall;
}

// The passes after the first, for the progress line.
void passesLeft(unsigned passes) {
  if (textio::bulk::inputOffset(frames::kCoordinateUnit)) setLaterProgressPasses(passes);
}

// Keeping the selected atoms saves converting every line again; past the memory budget it
// costs a temporary file, worth it while the kept atoms are at most a quarter of those read.
bool keepWorth(const selection::KeptAtoms& kept, std::uint64_t read, std::size_t memoryBytes) {
  return kept.size() * sizeof(frames::AtomRecord) <= memoryBytes || kept.size() * 4 <= read;
}

}  // namespace

FrameHeader readFrameHeader() { return {frames::readTitleAndCount()}; }

// What the passes keep from chunk to chunk, and the buffers every pass reuses.
struct StreamSelection::Passes {
  Passes(const FrameHeader& header, const frames::LoadTuning& chosen)
      : tuning(chosen),
        declared(header.declaredCount > 0 ? static_cast<std::uint64_t>(header.declaredCount) : 0),
        atomStart(textio::bulk::inputOffset(frames::kCoordinateUnit)),
        reader(chosen, fileBytes()) {
    if (declared > 0) spacing = frames::peekAtomLineSpacing();
    if (!atomStart) spill = std::make_unique<frames::RecordSpill>(chosen.spillAfterBytes);
    // A file read again shows its first reading as the first half of the progress line.
    if (atomStart) setLaterProgressPasses(1);
  }

  std::optional<std::uint64_t> fileBytes() const {
    const textio::units::UnitEntry* unit = textio::units::findUnit(frames::kCoordinateUnit);
    if (unit == nullptr || !atomStart) return std::nullopt;
    return platform::fileSize(unit->handle);
  }

  // Calls visit(view, base) for every chunk of the frame's records in order, `base` being the
  // index of the chunk's first record, with the chunk's wraps in view.atomWraps and
  // view.residueWraps. The first reading takes the atom lines; later ones read them again or
  // replay the spill.
  template <typename Visit>
  void forEachChunk(Visit&& visit) {
    std::int32_t atomOffset = 0;
    std::int32_t residueOffset = 0;
    std::uint64_t base = 0;
    bool haveBefore = false;
    frames::AtomRecord before{};
    const auto pass = [&](std::span<const frames::AtomRecord> given) {
      const std::span<const frames::AtomRecord> records = imaged(given);
      frames::AtomTable& view = chunkView;
      view.records = const_cast<frames::AtomRecord*>(records.data());
      view.size = records.size();
      view.declaredCount = static_cast<std::int64_t>(declared);
      view.atomWraps.points.clear();
      view.residueWraps.points.clear();
      view.atomWraps.startOffset = atomOffset;
      view.residueWraps.startOffset = residueOffset;
      if (records.empty()) return;
      if (haveBefore) {
        if (fallsFar(before.atomNumber, records[0].atomNumber)) view.atomWraps.points.push_back(0);
        if (fallsFar(before.residueNumber, records[0].residueNumber)) {
          view.residueWraps.points.push_back(0);
        }
      }
      findWrapsIn(records.data(), 1, records.size(), 0, view.atomWraps, view.residueWraps);
      visit(view, base);
      atomOffset += static_cast<std::int32_t>(view.atomWraps.points.size()) * frames::kNumberWrap;
      residueOffset +=
          static_cast<std::int32_t>(view.residueWraps.points.size()) * frames::kNumberWrap;
      before = records.back();
      haveBefore = true;
      base += records.size();
    };
    if (!read) {
      read = true;
      reader.begin(declared, spacing);
      while (reader.next()) {
        const std::span<const frames::AtomRecord> records(reader.records(), reader.size());
        if (spill) spill->append(records);
        pass(records);
      }
      return;
    }
    if (spill) {
      spill->rewind();
      for (auto records = spill->next(reader.room(), reader.capacity()); !records.empty();
           records = spill->next(reader.room(), reader.capacity())) {
        pass(records);
      }
      return;
    }
    nextProgressPass();
    textio::bulk::resumeInputAt(frames::kCoordinateUnit, *atomStart);
    reader.begin(declared, spacing);
    while (reader.next()) pass({reader.records(), reader.size()});
  }

  // With --pbc, the chunk's records at their images, in the reader's room (a chunk of the
  // spill in memory is copied there first: the spill keeps the records as read).
  std::span<const frames::AtomRecord> imaged(std::span<const frames::AtomRecord> records) {
    if (!images) return records;
    frames::AtomRecord* const room = reader.room();
    if (records.data() != room) std::copy(records.begin(), records.end(), room);
    images->move(room, records.size());
    return {room, records.size()};
  }

  // A pipe's records all read into the spill, leaving unit 10 after the atom lines.
  void readIntoSpill() {
    read = true;
    reader.begin(declared, spacing);
    while (reader.next()) spill->append({reader.records(), reader.size()});
  }

  // The line after the atom lines of a file that can be read again, unit 10 left at the
  // first atom line.
  std::optional<std::string> peekBoxLine() {
    const textio::bulk::LinesSkipped skipped = textio::bulk::skipLines(
        textio::units::findUnit(frames::kCoordinateUnit)->handle, *atomStart, declared);
    std::optional<std::string> line;
    if (skipped.kind == textio::bulk::LinesSkipped::Kind::Found) {
      textio::bulk::resumeInputAt(frames::kCoordinateUnit, skipped.offset);
      line = frames::readBoxLine();
    } else if (skipped.kind == textio::bulk::LinesSkipped::Kind::Unsure) {
      reader.begin(declared, spacing);
      while (reader.next()) {
      }
      line = frames::readBoxLine();
    }
    textio::bulk::resumeInputAt(frames::kCoordinateUnit, *atomStart);
    return line;
  }

  // The first reading: pass 1 over every chunk into `state` (residues) and the bit set, the
  // runs with "yes", every atom into the picture, the selected atoms kept. Answers the count.
  std::int64_t readFirst(selection::RunState& state, selection::ResidueRuns& runs,
                         picture::StreamedDensity* picture, std::uint64_t& atoms) {
    const bool whole = state.wholeResidues == selection::WholeResidues::Yes;
    std::int64_t count = 0;
    selection::RunState& chunk = chunkState;
    // Read now and at the images as read: the converter's threads test each record as they
    // convert it, which takes that work off this thread.
    const bool marked = !read && !images;
    if (marked) {
      reader.setRecordTest([&chunk](frames::AtomRecord* records, std::size_t size) {
        selection::markMatches(records, size, chunk);
      });
    }
    chunkView.marked = marked;
    forEachChunk([&](const frames::AtomTable& view, std::uint64_t base) {
      firstPass(view, chunk);
      if (!whole && kept) keepMatched(view);
      if (!keptOnly) placeBits(matched, base, chunk.matched, view.size);
      auto from = chunk.residues.begin();
      if (from != chunk.residues.end() && !state.residues.empty() &&
          state.residues.back() == *from) {
        ++from;
      }
      platform::reservePrepared(
          state.residues,
          state.residues.size() + static_cast<std::size_t>(chunk.residues.end() - from));
      state.residues.insert(state.residues.end(), from, chunk.residues.end());
      count += chunk.atomCounter;
      wrapped = wrapped || !view.atomWraps.points.empty() || !view.residueWraps.points.empty();
      if (whole) runs.follow(view, chunk.matched, kept);
      if (kept && !keptOnly && !keepWorth(*kept, base + view.size, tuning.spillAfterBytes)) {
        kept.reset();
      }
      if (picture != nullptr) picture->addAll(view);
      atoms = base + view.size;
    });
    reader.setRecordTest({});  // later readings select nothing
    chunkView.marked = false;
    return count;
  }

  // The selected atoms are kept for the write pass. For a pipe's "no" they are all it needs:
  // its records are not spilled and the kept atoms never given up, which spares writing
  // every record to a temporary file and the bit set of the whole frame.
  void chooseKeeping(bool whole) {
    kept.reset();
    keptOnly = !atomStart && !whole && !read;
    if (keptOnly) spill.reset();
    if (atomStart || keptOnly)
      kept = std::make_unique<selection::KeptAtoms>(tuning.spillAfterBytes);
  }

  // A residue number that recurs apart from its first run: the atoms of the listed residues
  // are counted where they lie, in a pass of their own.
  std::int64_t countListedAtoms() {
    std::int64_t count = 0;
    forEachChunk([&](const frames::AtomTable& view, std::uint64_t) {
      frames::WrapCursor offsets(view.residueWraps);
      for (std::size_t i = 0; i < view.size; ++i) {
        if (listed->contains(view.records[i].residueNumber + offsets.next())) ++count;
      }
    });
    return count;
  }

  // The matching atoms of the chunk pass 1 just took, kept with their atom offsets.
  void keepMatched(const frames::AtomTable& view) {
    frames::WrapCursor atomOffsets(view.atomWraps);
    for (std::size_t word = 0; word < chunkState.matched.size(); ++word) {
      for (std::uint64_t rest = chunkState.matched[word]; rest != 0; rest &= rest - 1) {
        const std::size_t i = word * kWordBits + static_cast<std::size_t>(std::countr_zero(rest));
        kept->add(view.records[i], atomOffsets.at(static_cast<std::uint32_t>(i)));
      }
    }
  }

  frames::LoadTuning tuning;
  std::uint64_t declared;
  int spacing = 0;
  std::optional<std::uint64_t> atomStart;  // where the atom lines begin, when readable again
  frames::AtomChunkReader reader;
  std::unique_ptr<frames::RecordSpill> spill;
  std::optional<selection::NearestImageMover> images;  // --pbc
  // The box line of a pipe, read before the passes.
  std::optional<std::optional<std::string>> boxLine;
  bool keptOnly = false;  // the kept atoms are all the write pass has (a pipe's "no")
  bool read = false;      // the atom lines have been read once
  frames::AtomTable chunkView;
  selection::RunState chunkState;
  std::vector<std::uint64_t> matched;  // one bit per record of the frame
  std::vector<std::uint64_t> chunkBits;
  bool wrapped = false;
  std::optional<selection::ResidueSet> listed;
  // The selected atoms as pass 1 found them, while keeping them is worth it (see keepWorth).
  std::unique_ptr<selection::KeptAtoms> kept;
};

StreamSelection::StreamSelection(const FrameHeader& header, const frames::LoadTuning& tuning)
    : passes_(std::make_unique<Passes>(header, tuning)) {}

StreamSelection::~StreamSelection() = default;

void StreamSelection::drawPicture() { gathering_ = std::make_unique<picture::StreamedDensity>(); }

std::optional<std::string> StreamSelection::takePeriodicImages(const selection::RunState& state) {
  Passes& p = *passes_;
  std::optional<std::string> line;
  if (p.atomStart) {
    line = p.peekBoxLine();
  } else {
    p.readIntoSpill();
    line = frames::readBoxLine();
    p.boxLine = line;
  }
  const selection::BoxLineRead box = selection::periodicBoxOf(line);
  if (!box.box) return box.problem;
  p.images.emplace(*box.box, state);
  return std::nullopt;
}

std::optional<std::string> StreamSelection::boxLine() {
  if (passes_->boxLine) return *passes_->boxLine;
  return frames::readBoxLine();
}

results::NumberLayout StreamSelection::numbers() const {
  return passes_->declared > frames::kLargestFiveColumnCount || passes_->wrapped
             ? results::NumberLayout::Wide
             : results::NumberLayout::FiveColumn;
}

SelectionCounts StreamSelection::selectAndCount(selection::RunState& state) {
  Passes& p = *passes_;
  selection::RunState& chunk = p.chunkState;
  chunk.names = state.names;
  chunk.shape = state.shape;
  chunk.parameters = state.parameters;
  chunk.wholeResidues = selection::WholeResidues::No;  // the order is checked across chunks here
  const bool whole = state.wholeResidues == selection::WholeResidues::Yes;
  state.residues.clear();
  state.matched.clear();
  state.inListedResidues.clear();
  std::int64_t count = 0;
  selection::ResidueRuns runs;  // with "yes"
  p.chooseKeeping(whole);
  count = p.readFirst(state, runs, gathering_.get(), atoms_);
  runs.finish(p.kept);
  const bool inOrder = runs.inOrder();
  state.atomCounter = static_cast<std::int32_t>(count);
  state.residuesInOrder = whole && inOrder;
  if (p.kept) {
    passesLeft(0);
  } else if (!whole) {
    passesLeft(1);
  }
  results::writeRegionLine(state);
  if (whole) {
    p.listed.emplace(state.residues);
    if (inOrder) {
      count = runs.atoms();
      if (!p.kept) passesLeft(1);
    } else {
      passesLeft(2);
      count = p.countListedAtoms();
    }
    state.atomCounter = static_cast<std::int32_t>(count);
  }
  writeCountLine(state, count, numbers());
  return {state.atomCounter, static_cast<std::int32_t>(state.residues.size())};
}

void StreamSelection::drawSelected(const frames::AtomTable& view,
                                   const std::vector<std::uint64_t>& bits) {
  if (!gathering_) return;
  for (std::size_t word = 0; word < bits.size(); ++word) {
    for (std::uint64_t rest = bits[word]; rest != 0; rest &= rest - 1) {
      const frames::AtomRecord& record =
          view.records[word * kWordBits + static_cast<std::size_t>(std::countr_zero(rest))];
      gathering_->add(picture::Layer::Selected, record.x, record.y, record.z);
    }
  }
}

void StreamSelection::writeSelected(const selection::RunState& state,
                                    const std::function<void()>& openResidueFile) {
  Passes& p = *passes_;
  results::writeIndexHeading();
  const bool whole = state.wholeResidues == selection::WholeResidues::Yes;
  // Atom lines keep the decimals the coordinate file was written with.
  results::SelectedAtomWriter writer(numbers(), frames::atomLineLayout(p.spacing),
                                     p.tuning.threads);
  std::vector<std::uint64_t>& bits = p.chunkBits;
  if (p.kept) {
    p.kept->replay(p.reader.room(), p.reader.capacity(), [&](const frames::AtomTable& view) {
      setAll(bits, view.size);
      drawSelected(view, bits);
      writer.write(view, bits);
    });
    p.kept.reset();
  } else {
    p.forEachChunk([&](const frames::AtomTable& view, std::uint64_t base) {
      takeBits(p.matched, base, view.size, bits);
      if (whole && p.listed) {
        frames::WrapCursor offsets(view.residueWraps);
        for (std::size_t i = 0; i < view.size; ++i) {
          if (p.listed->contains(view.records[i].residueNumber + offsets.next())) {
            bits[i / kWordBits] |= std::uint64_t{1} << (i % kWordBits);
          }
        }
      }
      drawSelected(view, bits);
      writer.write(view, bits);
    });
  }
  if (gathering_) density_ = std::make_unique<picture::SelectionDensity>(gathering_->finish());
  results::writeLastLine(state);
  if (whole) {
    openResidueFile();
    results::writeResidueFile(state.residues, numbers());
  }
}

FrameSelected selectFrame(selection::RunState& state, const std::function<void()>& openResidueFile,
                          std::unique_ptr<picture::SelectionDensity>* picture,
                          const frames::LoadTuning& tuning) {
  StreamSelection selection(readFrameHeader(), tuning);
  if (picture != nullptr) selection.drawPicture();
  FrameSelected frame;
  frame.counts = selection.selectAndCount(state);
  selection.writeSelected(state, openResidueFile);
  frame.atoms = selection.atoms();
  frame.boxLine = selection.boxLine();
  if (picture != nullptr) *picture = selection.takePicture();
  return frame;
}

}  // namespace runs
