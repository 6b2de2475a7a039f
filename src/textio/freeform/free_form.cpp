// Free-form read and write statements on units: the unit's record and pending marker for
// output, its input lines for the value scanner, and the reports that end a failed statement.
#include "textio/freeform/free_form.h"

#include <span>
#include <string>

#include "textio/freeform/free_form_output.h"
#include "textio/freeform/free_form_scan.h"
#include "textio/units/unit.h"

namespace textio {
namespace {

class UnitRecordSink final : public RecordSink {
 public:
  explicit UnitRecordSink(UnitEntry& unit) : unit_(unit) {}
  void endRecord(std::string&) override { textio::endRecord(unit_); }

 private:
  UnitEntry& unit_;
};

class UnitRecordSource final : public RecordSource {
 public:
  explicit UnitRecordSource(UnitEntry& unit) : unit_(unit) {}
  int next(std::string_view& line) override {
    switch (nextRecord(unit_, line)) {
      case ReadStatus::Ok:
        return 0;
      case ReadStatus::End:
        return kListEndOfFile;
      case ReadStatus::Failed:
        break;
    }
    return kListReadError;
  }

 private:
  UnitEntry& unit_;
};

}  // namespace

void writeList(int unit, std::initializer_list<ListOutItem> items) {
  Statement statement(unit, StatementKind::Write);
  UnitEntry& entry = statement.unit();
  // A record left open by non-advancing output is continued; anything else starts afresh.
  if (entry.pending) {
    entry.pending = false;
  } else {
    entry.record.clear();
  }
  const int width = entry.recordLength > 0 ? entry.recordLength : kFreeFormRecordWidth;
  UnitRecordSink sink(entry);
  const int status = placeList(entry.record, width, std::span(items.begin(), items.size()), sink);
  if (status != 0) failStatement(entry, status);
}

void readList(int unit, std::initializer_list<ListInItem> items) {
  Statement statement(unit, StatementKind::Read);
  UnitEntry& entry = statement.unit();
  UnitRecordSource source(entry);
  const int status = scanList(source, std::span(items.begin(), items.size()));
  if (status != 0) failStatement(entry, status);
}

}  // namespace textio
