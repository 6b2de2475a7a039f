// The unit table: one entry per numbered unit with its connection and buffers, the closing of
// an entry and the end-of-run closing of them all. The lowest piece of the units; reports
// stand on it (a severe report closes every unit), statements and opens stand on reports.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "textio/reports/report_text.h"

namespace textio::units {

inline constexpr int kConsoleInputUnit = -4;
inline constexpr int kConsoleOutputUnit = -1;
inline constexpr int kFreeFormRecordWidth = 80;
// Longest input line kept whole; a longer one is report 22 unless the unit keeps only a
// number of columns (keepInputColumns).
inline constexpr std::size_t kMaxWholeLine = 64 * 1024 * 1024;

// One unit's state. Owned by the unit table; the record layers keep their record buffer,
// column and pending-record marker here.
struct UnitEntry {
  int number = 0;
  bool connected = false;
  bool console = false;   // standard streams: never closed, output flushed after each statement
  bool readOnly = false;  // the open fell back to read access
  bool nullDevice = false;
  std::string name;       // resolved name, shown in reports unless shownName is set
  std::string shownName;  // name reports give instead (a file written under another name)
  platform::Handle handle = platform::kInvalidHandle;
  int lastError = 0;     // platform error code of the last failed platform call, 0 if none
  int recordLength = 0;  // 0: none given at open (free-form output uses 80 columns)

  // Input: bytes read from the platform and not yet consumed, and the current line.
  std::vector<char> input;
  std::size_t inputBegin = 0;   // first unconsumed byte
  std::size_t inputEnd = 0;     // one past the last valid byte
  bool inputExhausted = false;  // the platform reported end of data
  bool endSeen = false;         // a read met the end of the file (every later read does too)
  std::string longLine;         // holds a line that did not fit in `input`
  std::size_t keptColumns = 0;  // 0: lines kept whole; else only their first columns

  // Output: the record being built (its size is the columns used so far), the pending
  // marker of non-advancing output, and completed records not yet handed to the platform.
  std::string record;
  bool pending = false;
  std::string output;

  std::atomic<bool> inUse{false};
  std::thread::id user;  // the thread whose statement set inUse
};

// The name reports give for the unit.
inline const std::string& reportedName(const UnitEntry& unit) {
  return unit.shownName.empty() ? unit.name : unit.shownName;
}

// The unit's entry when it has been referenced, else nullptr. For tests and diagnostics.
UnitEntry* findUnit(int unit);

// Closes every connected unit that is not in use, exactly once per run; later calls do
// nothing. Used by endRun, stopRun, severe reports and the console-event path.
void closeAllUnits();

namespace detail {

// The numbered units in a map (walked in unit order by the end-of-run closing), and a direct
// index of the small unit numbers so that a statement finds its entry without a tree search.
// Entries are never destroyed while the run lasts, so the index holds plain pointers.
class UnitTable {
 public:
  using Map = std::map<int, std::unique_ptr<UnitEntry>>;

  // The entry of `number`, made on its first reference.
  UnitEntry& entry(int number) {
    const bool indexed = number >= kFirstIndexed && number < kFirstIndexed + kIndexed;
    if (indexed) {
      if (UnitEntry* known = index_[static_cast<std::size_t>(number - kFirstIndexed)])
        return *known;
    }
    // Made before it is inserted: memory that runs out leaves no empty slot in the table.
    auto found = map_.find(number);
    if (found == map_.end()) {
      auto fresh = std::make_unique<UnitEntry>();
      fresh->number = number;
      found = map_.emplace(number, std::move(fresh)).first;
    }
    if (indexed) index_[static_cast<std::size_t>(number - kFirstIndexed)] = found->second.get();
    return *found->second;
  }

  Map::iterator begin() { return map_.begin(); }
  Map::iterator end() { return map_.end(); }
  Map::iterator find(int number) { return map_.find(number); }

  // Forgets every entry (harnesses that run the tool many times in one process).
  void clear() {
    index_.fill(nullptr);
    map_.clear();
    sharedFile_ = false;
  }

  // Whether two connected units have the same file. Only then can a statement on one unit
  // meet a record left pending on another unit of its file.
  bool anySharedFile() const { return sharedFile_; }
  void connectionsChanged() {
    sharedFile_ = false;
    for (auto first = map_.begin(); first != map_.end() && !sharedFile_; ++first) {
      const UnitEntry& a = *first->second;
      if (!a.connected || a.name.empty()) continue;
      for (auto second = std::next(first); second != map_.end(); ++second) {
        const UnitEntry& b = *second->second;
        if (b.connected && b.name == a.name) {
          sharedFile_ = true;
          break;
        }
      }
    }
  }

 private:
  static constexpr int kFirstIndexed = -8;  // the console units and the tool's file units
  static constexpr int kIndexed = 136;
  Map map_;
  std::array<UnitEntry*, kIndexed> index_{};
  bool sharedFile_ = false;
};

// Never destroyed: the console-event thread may walk it while the process ends.
UnitTable& unitTable();

struct Failure {
  int number = 0;  // report number, 0: none
  platform::ErrorCode error = 0;
};

// Back to unconnected: the handle is the caller's business, buffers are freed.
void resetEntry(UnitEntry& unit);

// Hands the buffered output to the platform and empties the buffer, also on failure (what
// could not be written is not tried again). While a console write blocks (a full pipe, a
// stopped terminal) the run-time lock is released so that Ctrl+C still ends the run.
platform::ErrorCode writeBuffered(UnitEntry& unit);

// Completes a pending record, writes what is buffered, closes the handle (never a standard
// stream) and forgets the connection. Reports nothing: the caller decides how to.
Failure closeEntry(UnitEntry& unit);

// Severe code of the first failure met by the end-of-run closing, 0 when it met none.
reports::ReportCode closingFailure();

// The unit-table part of resetRunForHarness (textio/run/harness_reset.h): every handle
// closed without writing anything more, the table emptied. For fuzzing harnesses only.
void forgetUnitsForHarness();

}  // namespace detail

}  // namespace textio::units
