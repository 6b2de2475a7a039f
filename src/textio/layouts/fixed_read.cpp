// The fixed-layout read statements: one line (or more, when the items outnumber the fields)
// per statement, and many statements in one, whose common lines are converted in a single
// walk over fields planned once.
#include <algorithm>
#include <cstddef>
#include <new>
#include <span>
#include <string_view>
#include <vector>

#include "textio/layouts/fixed_statements.h"
#include "textio/layouts/fixed_walk.h"
#include "textio/units/unit.h"

namespace textio::layouts {

using detail::FieldWalker;
using detail::kFieldItemMismatch;
using detail::readField;

namespace {

constexpr int kEndOfFile = 24;
constexpr int kReadError = 39;

// The next input line, or -1 at the end when the statement returns there. A failed read is
// never returned as an unreadable line, whatever the statement asked: the line it should have
// brought is lost, and skipping it would report a run with an atom missing as a success.
int fetchLine(units::UnitEntry& unit, std::string_view& line, ReturnOnEnd onEnd) {
  const units::ReadStatus status = nextRecord(unit, line);
  if (status == units::ReadStatus::Ok) return 0;
  if (status == units::ReadStatus::End) {
    if (onEnd == ReturnOnEnd::Yes) return -1;
    failStatement(unit, kEndOfFile);
  }
  failStatement(unit, kReadError);
}

// The layout walked once for the places: each field with its place, its columns when the
// line holds them all, and where a new line begins because the places outnumber the
// layout's fields.
struct PlannedField {
  FieldDescriptor descriptor;
  FieldPlace place;
  std::size_t column;
  bool newLine;
};

// Fills `plan` and answers the columns of a line that holds every field, when all of them lie
// on one line; 0 when the fields need further lines (or have no width), so that every line
// goes field by field.
std::size_t planFields(FixedLayout layout, std::span<const FieldPlace> places,
                       std::vector<PlannedField>& plan) {
  std::size_t planColumns = 0;
  FieldWalker walker(layout);
  try {
    if (walker.hasFields()) {
      plan.reserve(places.size());
      bool oneLine = true;
      for (const FieldPlace& place : places) {
        bool wrapped = false;
        const FieldDescriptor& descriptor = walker.next(wrapped);
        plan.push_back({descriptor, place, planColumns, wrapped});
        oneLine = oneLine && !wrapped && descriptor.width >= 1;
        planColumns += static_cast<std::size_t>(std::max(descriptor.width, 0));
      }
      if (!oneLine) planColumns = 0;
    }
  } catch (const std::bad_alloc&) {
    units::issueReport(reports::severeCode(41));
  }
  return planColumns;
}

}  // namespace

int readFixed(int unit, FixedLayout layout, std::initializer_list<FixedInItem> items,
              ReturnOnEnd onEnd, ReturnOnError onError) {
  units::Statement statement(unit, units::StatementKind::Read);
  units::UnitEntry& entry = statement.unit();
  // Every read begins a new line, even one with nothing to read into.
  std::string_view line;
  if (const int status = fetchLine(entry, line, onEnd); status != 0) return status;

  FieldWalker walker(layout);
  if (!walker.hasFields()) return 0;
  std::size_t column = 0;
  try {
    for (const FixedInItem& item : items) {
      bool wrapped = false;
      const FieldDescriptor& descriptor = walker.next(wrapped);
      if (wrapped) {
        // The rest of the line is left behind; the layout starts again on the next line.
        if (const int status = fetchLine(entry, line, onEnd); status != 0) return status;
        column = 0;
      }
      const int status = readField(descriptor, line, column, item);
      if (status == 0) continue;
      // The line is consumed all the same; the items after this one keep their values.
      if (onError == ReturnOnError::Yes && status != kFieldItemMismatch) return status;
      units::failStatement(entry, status);
    }
  } catch (const std::bad_alloc&) {
    units::issueReport(reports::severeCode(41));
  }
  return 0;
}

FixedRecordsRead readFixedRecords(int unit, FixedLayout layout, std::span<const FieldPlace> places,
                                  void* records, std::size_t stride, std::size_t capacity,
                                  std::size_t statements) {
  units::Statement statement(unit, units::StatementKind::Read);
  units::UnitEntry& entry = statement.unit();
  FixedRecordsRead done;
  std::vector<PlannedField> plan;
  const std::size_t planColumns = planFields(layout, places, plan);

  char* const base = static_cast<char*>(records);
  std::string_view line;
  try {
    for (; done.statements < statements && done.records < capacity; ++done.statements) {
      char* const record = base + done.records * stride;
      int status = fetchLine(entry, line, ReturnOnEnd::Yes);
      std::size_t i = 0;
      std::size_t column = 0;
      if (status == 0 && planColumns != 0 && line.size() >= planColumns) {
        // Every field lies wholly in the line at its planned columns, as long as the fast
        // conversions take them (a comma, which would move the columns, they decline).
        for (; i < plan.size(); ++i) {
          const PlannedField& field = plan[i];
          if (!detail::convertWholeField(field.descriptor, field.place.length,
                                         line.data() + field.column, record + field.place.offset)) {
            break;
          }
        }
        column = i < plan.size() ? plan[i].column : planColumns;
      }
      for (; status == 0 && i < plan.size(); ++i) {
        const PlannedField& field = plan[i];
        if (field.newLine) {
          status = fetchLine(entry, line, ReturnOnEnd::Yes);
          column = 0;
          if (status != 0) break;
        }
        if (detail::readWholeFieldAt(field.descriptor, field.place.length, line, column,
                                     record + field.place.offset)) {
          continue;
        }
        status = readField(field.descriptor, line, column,
                           detail::itemAt(field.descriptor, field.place, record));
      }
      if (status == -1) {
        done.ended = true;
        ++done.statements;
        break;
      }
      if (status == 0) ++done.records;
    }
  } catch (const std::bad_alloc&) {
    units::issueReport(reports::severeCode(41));
  }
  return done;
}

}  // namespace textio::layouts
