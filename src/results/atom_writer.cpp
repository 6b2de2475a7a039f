// The writer of the selected atoms: one atom as its statements, or many in pieces on the
// crew, the text of each piece written as the statements would have written it.
#include "results/atom_writer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <numeric>
#include <span>
#include <string>
#include <string_view>

#include "frames/atom_lines.h"
#include "platform/crew.h"
#include "platform/platform.h"
#include "results/piece_room.h"
#include "textio/fields/fixed_fast_output.h"
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace results {

namespace {

constexpr unsigned kMostWriterThreads = 8;

// How the bulk writer builds the text of one atom: its line through the atom line layout and
// its number through the list.ndx field of its width, each prepared once.
struct AtomFormats {
  explicit AtomFormats(textio::layouts::FixedLayout layout)
      : atomLine(layout), line(layout, frames::kAtomLinePlaces) {}

  textio::layouts::FixedLayout atomLine;
  textio::layouts::LineFormat line;
  NumberFormats numbers;
};

// Columns of the first `fields` fields of a layout (repeats counted): what one line takes.
std::size_t columnsOf(textio::layouts::FixedLayout layout, std::size_t fields) {
  std::size_t columns = 0;
  for (const textio::layouts::FieldDescriptor& field : layout) {
    for (int r = 0; r < std::max(1, field.repeat) && fields > 0; ++r, --fields) {
      columns += static_cast<std::size_t>(std::max(0, field.width));
    }
  }
  return columns;
}

// Appends the columns of one write statement through `layout` to `text`: prepared when the
// fast formatters take the values, else the general way. 0 or the failure's report number.
int appendColumns(const textio::layouts::LineFormat& format, textio::layouts::FixedLayout layout,
                  std::span<const textio::layouts::FieldPlace> places, const void* record,
                  PieceText& text, std::string& general) {
  if (const std::size_t width = format.width(); width != 0) {
    if (format.write(record, text.extend(width))) return 0;
    text.dropLast(width);
  }
  general.clear();
  const int status = textio::layouts::formatFixedLine(layout, places, record, general);
  if (status == 0) text.append(general);
  return status;
}

// Records a piece looks ahead of the one it formats: the selected atoms lie scattered over a
// table far larger than the caches, and waiting for each record in turn would dominate.
constexpr std::size_t kPrefetchDistance = 8;

void buildPiece(const frames::AtomTable& table, const std::vector<std::uint64_t>& selected,
                NumberLayout layout, const AtomFormats& formats, Piece& piece) {
  PieceRoom<std::uint32_t>& atoms = piece.atoms;
  atoms.clear();
  for (std::size_t word = piece.firstWord; word < piece.endWord; ++word) {
    for (std::uint64_t bits = selected[word]; bits != 0; bits &= bits - 1) {
      atoms.push_back(static_cast<std::uint32_t>(word * kWordBits) +
                      static_cast<std::uint32_t>(__builtin_ctzll(bits)));
    }
  }
  frames::WrapCursor atomOffsets(table.atomWraps);
  std::int64_t ordinal = piece.firstOrdinal;
  for (std::size_t k = 0; k < atoms.size(); ++k, ++ordinal) {
    if (k + kPrefetchDistance < atoms.size()) {
      const char* ahead =
          reinterpret_cast<const char*>(&table.records[atoms[k + kPrefetchDistance]]);
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + sizeof(frames::AtomRecord) - 1);
    }
    const frames::AtomRecord& record = table.records[atoms[k]];
    const std::int32_t atomNumber = record.atomNumber + atomOffsets.at(atoms[k]);
    const int numberWidth = indexFieldWidth(atomNumber, layout);
    if (appendColumns(formats.line, formats.atomLine, frames::kAtomLinePlaces, &record, piece.lines,
                      piece.general) != 0 ||
        numberWidth > kWidestIndexField) {
      return;
    }
    // The number's I field straight through the fast formatter its prepared format would
    // call, else the general way.
    const auto width = static_cast<std::size_t>(numberWidth);
    if (!textio::fields::fast::formatInteger(atomNumber, numberWidth, 1,
                                             piece.numbers.extend(width))) {
      piece.numbers.dropLast(width);
      if (appendColumns(formats.numbers.of(numberWidth), formats.numbers.layoutOf(numberWidth),
                        NumberFormats::kPlace, &atomNumber, piece.numbers, piece.general) != 0) {
        return;
      }
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
    const std::size_t lineTaken =
        textio::units::textBeforeHandOver(kResultUnit, lines.substr(lineFrom));
    const std::size_t numberTaken =
        textio::units::textBeforeHandOver(kIndexUnit, numbers.substr(numberFrom));
    const std::size_t lineEvent = lineTaken == std::string_view::npos
                                      ? atoms
                                      : atomEndingBy(piece.lineEnds, lineFrom + lineTaken);
    const std::size_t numberEvent = numberTaken == std::string_view::npos
                                        ? atoms
                                        : atomEndingBy(piece.numberEnds, numberFrom + numberTaken);
    if (lineEvent >= atoms && numberEvent >= atoms) {
      textio::units::writeText(kResultUnit, lines.substr(lineFrom));
      textio::units::writeText(kIndexUnit, numbers.substr(numberFrom));
      return;
    }
    if (lineEvent <= numberEvent) {
      // The atom line comes before its number.
      textio::units::writeText(kIndexUnit,
                               numbers.substr(numberFrom, numberAt(lineEvent) - numberFrom));
      textio::units::writeText(kResultUnit,
                               lines.substr(lineFrom, lineAt(lineEvent + 1) - lineFrom));
      textio::units::writeText(
          kIndexUnit,
          numbers.substr(numberAt(lineEvent), numberAt(lineEvent + 1) - numberAt(lineEvent)));
      atom = lineEvent + 1;
    } else {
      textio::units::writeText(kResultUnit,
                               lines.substr(lineFrom, lineAt(numberEvent + 1) - lineFrom));
      textio::units::writeText(kIndexUnit,
                               numbers.substr(numberFrom, numberAt(numberEvent + 1) - numberFrom));
      atom = numberEvent + 1;
    }
  }
}

// Writes a piece that was built; otherwise its atoms one by one, which reports the failure
// where a statement per atom would have.
void writePiece(const frames::AtomTable& table, const std::vector<std::uint64_t>& selected,
                NumberLayout layout, textio::layouts::FixedLayout atomLine, const Piece& piece) {
  if (piece.built) {
    writeInStep(piece);
    return;
  }
  frames::WrapCursor atomOffsets(table.atomWraps);
  std::int64_t ordinal = piece.firstOrdinal;
  for (std::size_t word = piece.firstWord; word < piece.endWord; ++word) {
    for (std::uint64_t bits = selected[word]; bits != 0; bits &= bits - 1, ++ordinal) {
      const std::size_t i = word * kWordBits + static_cast<std::size_t>(__builtin_ctzll(bits));
      const frames::AtomRecord& record = table.records[i];
      acceptAtom(record, ordinal, record.atomNumber + atomOffsets.at(static_cast<std::uint32_t>(i)),
                 layout, atomLine);
    }
  }
}

}  // namespace

void acceptAtom(const frames::AtomRecord& record, std::int64_t ordinal, std::int32_t atomNumber,
                NumberLayout layout, textio::layouts::FixedLayout atomLine) {
  textio::layouts::writeFixed(
      kResultUnit, atomLine,
      {record.residueNumber, nameView(record.residueName), nameView(record.atomName),
       record.atomNumber, record.x, record.y, record.z, record.vx, record.vy, record.vz});
  if (layout == NumberLayout::Wide) {
    writeInteger(kIndexUnit, atomNumber, std::max(6, decimalWidth(atomNumber) + 1),
                 textio::layouts::Advance::No);
  } else {
    textio::layouts::writeFixed(kIndexUnit, textio::layouts::kI6, {atomNumber},
                                textio::layouts::Advance::No);
  }
  if (ordinal % kIndexNumbersPerLine == 0) textio::freeform::writeList(kIndexUnit, {});
}

// Two rounds of pieces in turn: the crew builds one while the calling thread writes the
// other.
struct SelectedAtomWriter::Rounds {
  Rounds(textio::layouts::FixedLayout atomLine, std::size_t piecesPerRound)
      : formats(atomLine),
        rounds{std::vector<Piece>(piecesPerRound), std::vector<Piece>(piecesPerRound)},
        room(rounds[0], rounds[1], columnsOf(atomLine, std::size(frames::kAtomLinePlaces))) {}
  const AtomFormats formats;
  std::array<std::vector<Piece>, 2> rounds;
  const WriterRoom room;
};

SelectedAtomWriter::SelectedAtomWriter(NumberLayout layout, textio::layouts::FixedLayout atomLine,
                                       unsigned threads)
    : layout_(layout),
      atomLine_(atomLine),
      // A round is a few pieces per thread: its text is all the memory the writer holds, so
      // a machine of many cores gets no more threads than keep it within a few MiB.
      threads_(threads != 0 ? std::min(threads, kMostWriterThreads)
                            : std::clamp(platform::cores(), 1u, kMostWriterThreads)),
      piecesPerRound_(std::size_t{threads_} * 4) {}

SelectedAtomWriter::~SelectedAtomWriter() = default;

std::int64_t SelectedAtomWriter::write(const frames::AtomTable& table,
                                       const std::vector<std::uint64_t>& selected) {
  const auto selectedCount = std::accumulate(
      selected.begin(), selected.end(), std::int64_t{0},
      [](std::int64_t sum, std::uint64_t word) { return sum + std::popcount(word); });
  if (selectedCount == 0) return 0;
  // A selection of one piece (most small files) is built here, without starting threads.
  // The calling thread builds too, once it has written the round before: the crew has one
  // thread fewer than the writer's threads, so that each keeps a core of its own.
  if (!crew_ && selectedCount > kAtomsPerPiece && threads_ > 1) {
    crew_ = std::make_unique<platform::Crew>(threads_ - 1, /*alongside=*/true);
  }
  if (!rounds_) rounds_ = std::make_unique<Rounds>(atomLine_, piecesPerRound_);
  platform::Crew single(1);
  platform::Crew& crew = crew_ ? *crew_ : single;
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
  // The pieces of `round` no thread has taken yet, built here.
  const auto help = [&](std::vector<Piece>& round, std::size_t pieces) {
    if (!crew_) return;
    for (std::size_t p = next++; p < pieces; p = next++) {
      buildPiece(table, selected, layout, formats, round[p]);
    }
  };
  if (word < selected.size()) startRound(rounds[0], pieceCounts[0]);
  for (std::size_t current = 0; pieceCounts[current] != 0; current ^= 1) {
    help(rounds[current], pieceCounts[current]);
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

std::int64_t writeSelectedAtoms(const frames::AtomTable& table,
                                const std::vector<std::uint64_t>& selected, NumberLayout layout,
                                textio::layouts::FixedLayout atomLine) {
  SelectedAtomWriter writer(layout, atomLine);
  return writer.write(table, selected);
}

}  // namespace results
