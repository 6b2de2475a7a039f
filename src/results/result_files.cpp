// Writers of result.gro, list.ndx and residue.txt.
#include "results/result_files.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <numeric>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "platform/platform.h"
#include "frames/atom_lines.h"
#include "platform/crew.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/freeform/free_form.h"
#include "textio/units/unit.h"

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

// The field of an atom number in list.ndx.
textio::FieldDescriptor indexField(std::int32_t atomNumber, NumberLayout layout) {
  return layout == NumberLayout::Wide ? textio::fieldI(std::max(6, decimalWidth(atomNumber) + 1))
                                      : textio::layouts::kI6[0];
}

// Selected atoms a piece of the bulk writer takes: about this many lines of result.gro at most.
// Small pieces keep the writer's text, which it reuses from round to round, within a few
// hundred pages: fresh pages are dear.
constexpr std::int64_t kAtomsPerPiece = 2048;
constexpr std::size_t kWordBits = 64;
constexpr unsigned kMostWriterThreads = 8;

// Items a piece builds (its text, its atoms), in room lent by WriterRoom and kept from round to
// round; should they outgrow it, on the heap. Not a std::string: that would clear every column
// it grows by before the formatters overwrite them.
template <typename Item>
class PieceRoom {
 public:
  void lend(Item* room, std::size_t capacity) {
    data_ = room;
    capacity_ = capacity;
  }
  Item* data() const { return data_; }
  std::size_t size() const { return size_; }
  Item& operator[](std::size_t i) const { return data_[i]; }
  Item* begin() const { return data_; }
  Item* end() const { return data_ + size_; }
  void clear() { size_ = 0; }
  // The next `count` items, counted as written.
  Item* extend(std::size_t count) {
    if (count > capacity_ - size_) {
      const std::size_t capacity = std::max(2 * capacity_, size_ + count);
      auto grown = std::make_unique_for_overwrite<Item[]>(capacity);
      std::copy_n(data_, size_, grown.get());
      owned_ = std::move(grown);
      data_ = owned_.get();
      capacity_ = capacity;
    }
    Item* const at = data_ + size_;
    size_ += count;
    return at;
  }
  void dropLast(std::size_t count) { size_ -= count; }
  void push_back(Item item) { *extend(1) = item; }

 private:
  Item* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::unique_ptr<Item[]> owned_;
};

class PieceText : public PieceRoom<char> {
 public:
  std::string_view view() const { return {data(), size()}; }
  void append(std::string_view text) { std::copy(text.begin(), text.end(), extend(text.size())); }
};

// The selected atoms of words [firstWord, endWord) of the bit set, their text for both files.
// Each on cache lines of its own: two threads appending to neighbouring pieces would otherwise
// pass the lines that hold the texts' lengths back and forth.
struct alignas(64) Piece {
  std::size_t firstWord = 0;
  std::size_t endWord = 0;
  std::int64_t firstOrdinal = 1;
  PieceText lines;    // result.gro
  PieceText numbers;  // list.ndx
  // Where each atom's text ends in `lines` and in `numbers`.
  PieceRoom<std::uint32_t> lineEnds;
  PieceRoom<std::uint32_t> numberEnds;
  PieceRoom<std::uint32_t> atoms;  // the selected records, while the piece is built
  std::string general;             // a field built by the general formatters
  bool built = false;  // false: a field could not be built; acceptAtom writes these atoms
};

// Widest field of an atom number in list.ndx: a sign, ten digits and a blank.
constexpr int kWidestIndexField = 12;

// The I fields of widths 1 to kWidestIndexField, each prepared once: the numbers of list.ndx
// and residue.txt.
class NumberFormats {
 public:
  NumberFormats() {
    for (int width = 1; width <= kWidestIndexField; ++width) {
      fields_[static_cast<std::size_t>(width)] = textio::fieldI(width);
      formats_.emplace_back(layoutOf(width), kPlace);
    }
  }
  NumberFormats(const NumberFormats&) = delete;
  NumberFormats& operator=(const NumberFormats&) = delete;

  static constexpr textio::FieldPlace kPlace[] = {{0, 0}};
  // The I field of this width, 1 <= width <= kWidestIndexField.
  textio::FixedLayout layoutOf(int width) const {
    return {&fields_[static_cast<std::size_t>(width)], 1};
  }
  const textio::LineFormat& of(int width) const {
    return formats_[static_cast<std::size_t>(width - 1)];
  }

 private:
  std::array<textio::FieldDescriptor, kWidestIndexField + 1> fields_{};
  std::vector<textio::LineFormat> formats_;
};

// How the bulk writer builds the text of one atom: its line through the atom line layout and
// its number through the list.ndx field of its width, each prepared once.
struct AtomFormats {
  explicit AtomFormats(textio::FixedLayout layout)
      : atomLine(layout), line(layout, kAtomLinePlaces) {}

  textio::FixedLayout atomLine;
  textio::LineFormat line;
  NumberFormats numbers;
};

// Columns of the first `fields` fields of a layout (repeats counted): what one line takes.
std::size_t columnsOf(textio::FixedLayout layout, std::size_t fields) {
  std::size_t columns = 0;
  for (const textio::FieldDescriptor& field : layout) {
    for (int r = 0; r < std::max(1, field.repeat) && fields > 0; ++r, --fields) {
      columns += static_cast<std::size_t>(std::max(0, field.width));
    }
  }
  return columns;
}

// The room of every piece of both rounds in one block of huge pages. On these machines each
// fresh small page costs a fault of its own, and a few megabytes of them, touched as the texts
// grew, took 10 ms of a 1M-atom run; a huge page is one fault.
class WriterRoom {
 public:
  WriterRoom(std::vector<Piece>& first, std::vector<Piece>& second, std::size_t lineColumns) {
    // A piece takes whole words of the bit set until it holds kAtomsPerPiece atoms.
    const auto atoms = static_cast<std::size_t>(kAtomsPerPiece) + kWordBits;
    const std::size_t lineBytes = roundUp(atoms * (lineColumns + 2));
    const std::size_t numberBytes = roundUp(atoms * static_cast<std::size_t>(kWidestIndexField) +
                                            (atoms / kIndexNumbersPerLine + 1) * 2);
    const std::size_t listBytes = roundUp(atoms * sizeof(std::uint32_t));
    const std::size_t pieceBytes = lineBytes + numberBytes + 3 * listBytes;
    bytes_ = pieceBytes * (first.size() + second.size());
    block_ = static_cast<char*>(platform::allocatePages(bytes_));
    if (block_ == nullptr) {
      heap_ = std::make_unique_for_overwrite<char[]>(bytes_);
      block_ = heap_.get();
    }
    char* at = block_;
    const auto lendTo = [&](Piece& piece) {
      piece.lines.lend(at, lineBytes);
      piece.numbers.lend(at + lineBytes, numberBytes);
      char* const lists = at + lineBytes + numberBytes;
      piece.lineEnds.lend(reinterpret_cast<std::uint32_t*>(lists), atoms);
      piece.numberEnds.lend(reinterpret_cast<std::uint32_t*>(lists + listBytes), atoms);
      piece.atoms.lend(reinterpret_cast<std::uint32_t*>(lists + 2 * listBytes), atoms);
      at += pieceBytes;
    };
    for (Piece& piece : first) lendTo(piece);
    for (Piece& piece : second) lendTo(piece);
  }
  ~WriterRoom() {
    if (heap_ == nullptr) platform::releasePages(block_, bytes_);
  }
  WriterRoom(const WriterRoom&) = delete;
  WriterRoom& operator=(const WriterRoom&) = delete;

 private:
  static std::size_t roundUp(std::size_t bytes) { return (bytes + 63) / 64 * 64; }

  std::size_t bytes_ = 0;
  char* block_ = nullptr;
  std::unique_ptr<char[]> heap_;
};

// Appends the columns of one write statement through `layout` to `text`: prepared when the
// fast formatters take the values, else the general way. 0 or the failure's report number.
int appendColumns(const textio::LineFormat& format, textio::FixedLayout layout,
                  std::span<const textio::FieldPlace> places, const void* record, PieceText& text,
                  std::string& general) {
  if (const std::size_t width = format.width(); width != 0) {
    if (format.write(record, text.extend(width))) return 0;
    text.dropLast(width);
  }
  general.clear();
  const int status = textio::formatFixedLine(layout, places, record, general);
  if (status == 0) text.append(general);
  return status;
}

// Records a piece looks ahead of the one it formats: the selected atoms lie scattered over a
// table far larger than the caches, and waiting for each record in turn would dominate.
constexpr std::size_t kPrefetchDistance = 8;

void buildPiece(const AtomTable& table, const std::vector<std::uint64_t>& selected,
                NumberLayout layout, const AtomFormats& formats, Piece& piece) {
  PieceRoom<std::uint32_t>& atoms = piece.atoms;
  atoms.clear();
  for (std::size_t word = piece.firstWord; word < piece.endWord; ++word) {
    for (std::uint64_t bits = selected[word]; bits != 0; bits &= bits - 1) {
      atoms.push_back(static_cast<std::uint32_t>(word * kWordBits) +
                      static_cast<std::uint32_t>(__builtin_ctzll(bits)));
    }
  }
  WrapCursor atomOffsets(table.atomWraps);
  std::int64_t ordinal = piece.firstOrdinal;
  for (std::size_t k = 0; k < atoms.size(); ++k, ++ordinal) {
    if (k + kPrefetchDistance < atoms.size()) {
      const char* ahead =
          reinterpret_cast<const char*>(&table.records[atoms[k + kPrefetchDistance]]);
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + sizeof(AtomRecord) - 1);
    }
    const AtomRecord& record = table.records[atoms[k]];
    const std::int32_t atomNumber = record.atomNumber + atomOffsets.at(atoms[k]);
    const int numberWidth = indexField(atomNumber, layout).width;
    if (appendColumns(formats.line, formats.atomLine, kAtomLinePlaces, &record, piece.lines,
                      piece.general) != 0 ||
        numberWidth > kWidestIndexField ||
        appendColumns(formats.numbers.of(numberWidth), formats.numbers.layoutOf(numberWidth),
                      NumberFormats::kPlace, &atomNumber, piece.numbers, piece.general) != 0) {
      return;
    }
    piece.lines.append("\r\n");
    if (ordinal % kIndexNumbersPerLine == 0) piece.numbers.append("\r\n");
    piece.lineEnds.push_back(static_cast<std::uint32_t>(piece.lines.size()));
    piece.numberEnds.push_back(static_cast<std::uint32_t>(piece.numbers.size()));
  }
  piece.built = true;
}

// The atom whose text holds byte `end - 1` of a text whose atoms end at `ends`.
std::size_t atomEndingBy(const PieceRoom<std::uint32_t>& ends, std::size_t end) {
  return static_cast<std::size_t>(std::lower_bound(ends.begin(), ends.end(), end) - ends.begin());
}

// Writes a built piece as a statement per atom line and per number would, alternating
// between the files: each file's buffer reaches the platform after the same atom, with the
// other file holding the same atoms, so a failed write leaves both files as they would be.
void writeInStep(const Piece& piece) {
  const std::string_view lines = piece.lines.view();
  const std::string_view numbers = piece.numbers.view();
  std::size_t atom = 0;  // atoms written to both files
  const std::size_t atoms = piece.lineEnds.size();
  const auto lineAt = [&](std::size_t k) -> std::size_t {
    return k == 0 ? 0 : piece.lineEnds[k - 1];
  };
  const auto numberAt = [&](std::size_t k) -> std::size_t {
    return k == 0 ? 0 : piece.numberEnds[k - 1];
  };
  while (atom < atoms) {
    const std::size_t lineFrom = lineAt(atom);
    const std::size_t numberFrom = numberAt(atom);
    // The atoms after which each file would be handed over (atoms: not within the piece); a
    // hand-over after the piece's last atom counts too, since the other file must then hold
    // every number before it.
    const std::size_t lineTaken = textio::textBeforeHandOver(kResultUnit, lines.substr(lineFrom));
    const std::size_t numberTaken =
        textio::textBeforeHandOver(kIndexUnit, numbers.substr(numberFrom));
    const std::size_t lineEvent = lineTaken == std::string_view::npos
                                      ? atoms
                                      : atomEndingBy(piece.lineEnds, lineFrom + lineTaken);
    const std::size_t numberEvent = numberTaken == std::string_view::npos
                                        ? atoms
                                        : atomEndingBy(piece.numberEnds, numberFrom + numberTaken);
    if (lineEvent >= atoms && numberEvent >= atoms) {
      textio::writeText(kResultUnit, lines.substr(lineFrom));
      textio::writeText(kIndexUnit, numbers.substr(numberFrom));
      return;
    }
    if (lineEvent <= numberEvent) {
      // The atom line comes before its number.
      textio::writeText(kIndexUnit, numbers.substr(numberFrom, numberAt(lineEvent) - numberFrom));
      textio::writeText(kResultUnit, lines.substr(lineFrom, lineAt(lineEvent + 1) - lineFrom));
      textio::writeText(kIndexUnit, numbers.substr(numberAt(lineEvent),
                                                   numberAt(lineEvent + 1) - numberAt(lineEvent)));
      atom = lineEvent + 1;
    } else {
      textio::writeText(kResultUnit, lines.substr(lineFrom, lineAt(numberEvent + 1) - lineFrom));
      textio::writeText(kIndexUnit,
                        numbers.substr(numberFrom, numberAt(numberEvent + 1) - numberFrom));
      atom = numberEvent + 1;
    }
  }
}

// Writes a piece that was built; otherwise its atoms one by one, which reports the failure
// where a statement per atom would have.
void writePiece(const AtomTable& table, const std::vector<std::uint64_t>& selected,
                NumberLayout layout, textio::FixedLayout atomLine, const Piece& piece) {
  if (piece.built) {
    writeInStep(piece);
    return;
  }
  WrapCursor atomOffsets(table.atomWraps);
  std::int64_t ordinal = piece.firstOrdinal;
  for (std::size_t word = piece.firstWord; word < piece.endWord; ++word) {
    for (std::uint64_t bits = selected[word]; bits != 0; bits &= bits - 1, ++ordinal) {
      const std::size_t i = word * kWordBits + static_cast<std::size_t>(__builtin_ctzll(bits));
      const AtomRecord& record = table.records[i];
      acceptAtom(record, ordinal, record.atomNumber + atomOffsets.at(static_cast<std::uint32_t>(i)),
                 layout, atomLine);
    }
  }
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

void writeIndexHeading(std::string_view frameSuffix) {
  if (frameSuffix.empty()) {
    textio::writeList(kIndexUnit, {std::string_view("[selected-atoms]")});
    return;
  }
  const std::string heading = "[selected-atoms" + std::string(frameSuffix) + "]";
  textio::writeList(kIndexUnit, {std::string_view(heading)});
}

void endIndexRow() {
  textio::Statement statement(kIndexUnit, textio::StatementKind::Write);
  if (statement.unit().pending) textio::endRecord(statement.unit());
}

void writeResidueHeading(std::string_view frameSuffix) {
  const std::string heading = "[selected-residues" + std::string(frameSuffix) + "]";
  textio::writeList(kResidueUnit, {std::string_view(heading)});
}

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

// Two rounds of pieces in turn: the crew builds one while the calling thread writes the
// other.
struct SelectedAtomWriter::Rounds {
  Rounds(textio::FixedLayout atomLine, std::size_t piecesPerRound)
      : formats(atomLine),
        rounds{std::vector<Piece>(piecesPerRound), std::vector<Piece>(piecesPerRound)},
        room(rounds[0], rounds[1], columnsOf(atomLine, std::size(kAtomLinePlaces))) {}
  const AtomFormats formats;
  std::array<std::vector<Piece>, 2> rounds;
  const WriterRoom room;
};

SelectedAtomWriter::SelectedAtomWriter(NumberLayout layout, textio::FixedLayout atomLine,
                                       unsigned threads)
    : layout_(layout),
      atomLine_(atomLine),
      // A round is a few pieces per thread: its text is all the memory the writer holds, so
      // a machine of many cores gets no more threads than keep it within a few MiB.
      threads_(threads != 0
                   ? std::min(threads, kMostWriterThreads)
                   : std::clamp(std::thread::hardware_concurrency(), 1u, kMostWriterThreads)),
      piecesPerRound_(std::size_t{threads_} * 4) {}

SelectedAtomWriter::~SelectedAtomWriter() = default;

std::int64_t SelectedAtomWriter::write(const AtomTable& table,
                                       const std::vector<std::uint64_t>& selected) {
  const auto selectedCount = std::accumulate(
      selected.begin(), selected.end(), std::int64_t{0},
      [](std::int64_t sum, std::uint64_t word) { return sum + std::popcount(word); });
  if (selectedCount == 0) return 0;
  // A selection of one piece (most small files) is built here, without starting threads.
  if (!crew_ && selectedCount > kAtomsPerPiece) crew_ = std::make_unique<Crew>(threads_);
  if (!rounds_) rounds_ = std::make_unique<Rounds>(atomLine_, piecesPerRound_);
  Crew single(1);
  Crew& crew = crew_ ? *crew_ : single;
  const std::int64_t first = ordinal_;
  std::size_t word = 0;
  std::array<std::vector<Piece>, 2>& rounds = rounds_->rounds;
  const AtomFormats& formats = rounds_->formats;
  const NumberLayout layout = layout_;
  std::array<std::size_t, 2> pieceCounts{};
  std::atomic<std::size_t> next{0};
  const auto startRound = [&](std::vector<Piece>& round, std::size_t& pieces) {
    pieces = 0;
    for (; pieces < piecesPerRound_ && word < selected.size(); ++pieces) {
      Piece& piece = round[pieces];
      piece.firstWord = word;
      piece.firstOrdinal = ordinal_;
      piece.lines.clear();  // the text's room is kept for the next rounds
      piece.numbers.clear();
      piece.lineEnds.clear();
      piece.numberEnds.clear();
      piece.built = false;
      for (std::int64_t atoms = 0; atoms < kAtomsPerPiece && word < selected.size(); ++word) {
        atoms += std::popcount(selected[word]);
      }
      piece.endWord = word;
      for (std::size_t w = piece.firstWord; w < piece.endWord; ++w) {
        ordinal_ += std::popcount(selected[w]);
      }
    }
    next = 0;
    crew.start(std::min<unsigned>(crew.size(), static_cast<unsigned>(pieces)),
               [&table, &selected, &formats, &next, &round, layout, pieces](unsigned) {
                 for (std::size_t p = next++; p < pieces; p = next++) {
                   buildPiece(table, selected, layout, formats, round[p]);
                 }
               });
  };
  if (word < selected.size()) startRound(rounds[0], pieceCounts[0]);
  for (std::size_t current = 0; pieceCounts[current] != 0; current ^= 1) {
    crew.wait();
    pieceCounts[current ^ 1] = 0;
    if (word < selected.size()) startRound(rounds[current ^ 1], pieceCounts[current ^ 1]);
    for (std::size_t p = 0; p < pieceCounts[current]; ++p) {
      writePiece(table, selected, layout, atomLine_, rounds[current][p]);
    }
  }
  crew.wait();
  return ordinal_ - first;
}

std::int64_t writeSelectedAtoms(const AtomTable& table, const std::vector<std::uint64_t>& selected,
                                NumberLayout layout, textio::FixedLayout atomLine) {
  SelectedAtomWriter writer(layout, atomLine);
  return writer.write(table, selected);
}

void writeLastLine(const RunState& state) {
  const auto& b = state.parameters.box;
  textio::writeFixed(kResultUnit, textio::layouts::kLastLine, {b[1], b[3], b[5]});
}

void writeResidueFile(const ResidueList& list, NumberLayout layout) {
  // A block of numbers at a time, written as a statement per number would write them.
  constexpr std::size_t kNumbersPerBlock = 4096;
  const NumberFormats formats;
  std::string text;
  for (std::size_t first = 0; first < list.size(); first += kNumbersPerBlock) {
    text.clear();
    const std::size_t end = std::min(list.size(), first + kNumbersPerBlock);
    for (std::size_t i = first; i < end; ++i) {
      const std::int32_t number = list[i];
      const int width = layout == NumberLayout::Wide ? std::max(6, decimalWidth(number)) : 6;
      const std::size_t at = text.size();
      text.resize(at + static_cast<std::size_t>(width));
      if (!formats.of(width).write(&number, text.data() + at)) {
        // Not a field the fast formatter takes: the statement writes it and any report.
        text.resize(at);
        textio::writeText(kResidueUnit, text);
        text.clear();
        writeInteger(kResidueUnit, number, width, textio::Advance::Yes);
        continue;
      }
      text += "\r\n";
    }
    textio::writeText(kResidueUnit, text);
  }
}

}  // namespace selection
