// The lines of a coordinate file around its atom lines (title, count, box line), the
// atom-line layout the first one shows, and the wrap points of the numbers.
#include "frames/atom_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <optional>

#include "textio/fields/fixed_fields.h"
#include "textio/freeform/free_form.h"
#include "textio/run/run_time.h"
#include "textio/units/unit.h"

namespace frames {
namespace {

constexpr std::size_t kCountFieldWidth = 5;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The wide layouts by spacing, from kNarrowestWideSpacing on.
constexpr auto kWideAtomLines = [] {
  std::array<std::array<textio::layouts::FieldDescriptor, 5>,
             kWidestSpacing - kNarrowestWideSpacing + 1>
      layouts{};
  for (int d = kNarrowestWideSpacing; d <= kWidestSpacing; ++d) {
    layouts[static_cast<std::size_t>(d - kNarrowestWideSpacing)] =
        textio::layouts::atomLineWithSpacing(d);
  }
  return layouts;
}();

}  // namespace

// Reads the count line itself (not through the I5 layout alone) so that a count written in
// more than five columns is not cut to its first five digits.
std::int64_t readCountLine() {
  textio::units::Statement statement(kCoordinateUnit, textio::units::StatementKind::Read);
  textio::units::UnitEntry& unit = statement.unit();
  std::string_view line;
  switch (textio::units::nextRecord(unit, line)) {
    case textio::units::ReadStatus::Ok:
      break;
    case textio::units::ReadStatus::End:
      textio::units::failStatement(unit, 24);
    case textio::units::ReadStatus::Failed:
      textio::units::failStatement(unit, 39);
  }
  std::int64_t count = 0;
  if (int status = readAtomCount(line, count); status != 0)
    textio::units::failStatement(unit, status);
  return count;
}

// GROMACS writes numbers modulo 100000, so a real wrap falls from near 99999 to near 0; a
// smaller fall (a chain numbered from 1 again, a damaged line read as 0, pieces of files put
// together) is taken as written.
void findWrapsIn(const AtomRecord* records, std::size_t begin, std::size_t end, std::size_t base,
                 NumberWraps& atoms, NumberWraps& residues) {
  const auto fallsFar = [](std::int32_t previous, std::int32_t value) {
    return static_cast<std::int64_t>(previous) - value > kWrapFall;
  };
  for (std::size_t index = begin; index < end; ++index) {
    const AtomRecord& before = records[index - 1];
    const AtomRecord& record = records[index];
    const auto point = static_cast<std::uint32_t>(base + index);
    if (fallsFar(before.atomNumber, record.atomNumber)) atoms.points.push_back(point);
    if (fallsFar(before.residueNumber, record.residueNumber)) residues.points.push_back(point);
  }
}

int atomLineSpacing(std::string_view firstAtomLine) {
  // Positions begin in column 21; the names before them may hold points of their own.
  constexpr std::size_t kFirstPositionColumn = 20;
  std::size_t points[3];
  std::size_t from = kFirstPositionColumn;
  for (std::size_t& point : points) {
    point = firstAtomLine.find('.', from);
    if (point == std::string_view::npos) return 0;
    from = point + 1;
  }
  const std::size_t spacing = points[1] - points[0];
  if (points[2] - points[1] != spacing || spacing < kNarrowestWideSpacing ||
      spacing > kWidestSpacing) {
    return 0;
  }
  return static_cast<int>(spacing);
}

textio::layouts::FixedLayout atomLineLayout(int spacing) {
  if (spacing < kNarrowestWideSpacing || spacing > kWidestSpacing) {
    return textio::layouts::kAtomLine;
  }
  return kWideAtomLines[static_cast<std::size_t>(spacing - kNarrowestWideSpacing)];
}

int readAtomCount(std::string_view line, std::int64_t& count) {
  // Columns 1-5 as an I5 field: a comma ends the field early, a short line is padded.
  std::string_view field = line.substr(0, std::min(line.size(), kCountFieldWidth));
  bool endedByComma = false;
  if (std::size_t comma = field.find(','); comma != std::string_view::npos) {
    field = field.substr(0, comma);
    endedByComma = true;
  }
  textio::fields::IntegerField parsed = textio::fields::parseIntegerField(field);
  if (parsed.status != 0) {
    count = 0;
    return parsed.status;
  }
  count = parsed.value;
  // Digits that run on from column 5 into column 6 and beyond belong to the count.
  if (endedByComma || line.size() <= kCountFieldWidth || !isDigit(line[kCountFieldWidth]) ||
      !isDigit(line[kCountFieldWidth - 1])) {
    return 0;
  }
  std::int64_t value = parsed.value < 0 ? -static_cast<std::int64_t>(parsed.value)
                                        : static_cast<std::int64_t>(parsed.value);
  const bool negative = parsed.value < 0 || field.find('-') != std::string_view::npos;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  for (std::size_t i = kCountFieldWidth; i < line.size() && isDigit(line[i]); ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > kLimit + 1) return 64;
  }
  if (negative) value = -value;
  if (value > kLimit || value < std::numeric_limits<std::int32_t>::min()) return 64;
  count = value;
  return 0;
}

namespace {

// The next line of unit 10, consumed or left for the next read: nullopt at the end of the
// file; a failed read is report 39.
std::optional<std::string> coordinateLine(bool consume) {
  textio::units::Statement statement(kCoordinateUnit, textio::units::StatementKind::Read);
  textio::units::UnitEntry& unit = statement.unit();
  std::string_view line;
  switch (consume ? textio::units::nextRecord(unit, line) : textio::units::peekRecord(unit, line)) {
    case textio::units::ReadStatus::Ok:
      return std::string(line);
    case textio::units::ReadStatus::End:
      return std::nullopt;
    case textio::units::ReadStatus::Failed:
      break;
  }
  textio::units::failStatement(unit, 39);
}

}  // namespace

std::optional<std::string> readBoxLine() { return coordinateLine(true); }

std::optional<std::string> peekCoordinateLine() {
  textio::units::keepInputColumns(kCoordinateUnit, kKeptLineColumns);
  return coordinateLine(false);
}

int peekAtomLineSpacing() {
  textio::units::Statement statement(kCoordinateUnit, textio::units::StatementKind::Read);
  std::string_view line;
  if (textio::units::peekRecord(statement.unit(), line) != textio::units::ReadStatus::Ok) return 0;
  return atomLineSpacing(line);
}

std::int64_t readTitleAndCount() {
  textio::units::keepInputColumns(kCoordinateUnit, kKeptLineColumns);
  textio::freeform::readList(kCoordinateUnit, {});  // the title line, whatever it holds
  return readCountLine();
}

void releaseTableBlock(TableBlock& block) {
  block.input.reset();
  textio::run::releaseBlock(block.records, block.capacity * sizeof(AtomRecord));
  block = {};
}

}  // namespace frames
