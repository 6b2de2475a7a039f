// Free-form read and write statements on units: the unit's record and pending marker for
// output, its input lines for the value scanner, and the reports that end a failed statement.
#include "textio/freeform/free_form.h"

#include <span>
#include <string>

#include "textio/freeform/free_form_output.h"
#include "textio/freeform/free_form_scan.h"
#include "textio/units/unit.h"

namespace textio::freeform {
namespace {

class UnitRecordSink final : public RecordSink {
 public:
  explicit UnitRecordSink(units::UnitEntry& unit) : unit_(unit) {}
  void endRecord(std::string&) override { textio::units::endRecord(unit_); }

 private:
  units::UnitEntry& unit_;
};

class UnitRecordSource final : public RecordSource {
 public:
  explicit UnitRecordSource(units::UnitEntry& unit) : unit_(unit) {}
  int next(std::string_view& line) override {
    switch (units::nextRecord(unit_, line)) {
      case units::ReadStatus::Ok:
        return 0;
      case units::ReadStatus::End:
        return kListEndOfFile;
      case units::ReadStatus::Failed:
        break;
    }
    return kListReadError;
  }

 private:
  units::UnitEntry& unit_;
};

}  // namespace

void writeList(int unit, std::initializer_list<ListOutItem> items) {
  units::Statement statement(unit, units::StatementKind::Write);
  units::UnitEntry& entry = statement.unit();
  // A record left open by non-advancing output is continued; anything else starts afresh.
  if (entry.pending) {
    entry.pending = false;
  } else {
    entry.record.clear();
  }
  const int width = entry.recordLength > 0 ? entry.recordLength : units::kFreeFormRecordWidth;
  UnitRecordSink sink(entry);
  const int status = placeList(entry.record, width, std::span(items.begin(), items.size()), sink);
  if (status != 0) units::failStatement(entry, status);
}

void readList(int unit, std::initializer_list<ListInItem> items) {
  units::Statement statement(unit, units::StatementKind::Read);
  units::UnitEntry& entry = statement.unit();
  UnitRecordSource source(entry);
  const int status = scanList(source, std::span(items.begin(), items.size()));
  if (status != 0) units::failStatement(entry, status);
}

}  // namespace textio::freeform
