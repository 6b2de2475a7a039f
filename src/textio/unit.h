// Numbered units: the console and named files behind every read and write statement.
// Holds the unit table, name resolution, the existence test, open and close, and the
// record-level services (next input line, end of an output line) that the record layers use.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace textio {

inline constexpr int kConsoleInputUnit = -4;
inline constexpr int kConsoleOutputUnit = -1;
inline constexpr std::size_t kMaxResolvedName = 256;
inline constexpr int kFreeFormRecordWidth = 80;
// Longest input line kept whole; a longer one is report 22 unless the unit keeps only a
// number of columns (keepInputColumns).
inline constexpr std::size_t kMaxWholeLine = 64 * 1024 * 1024;

enum class StatementKind { Read, Write, Open, Close, Inquiry };

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

// RAII for one input/output statement: looks the unit up (connecting a console unit at
// its first use), marks it in use, completes a pending record of its file unless the
// statement is a write on the same unit or an inquiry, and holds the run-time lock so that
// the console-event thread never closes a unit under a statement. A statement that finds
// its unit in use gives report 40. At its end, console output is handed to the platform.
// A read or write on an unconnected file unit opens FORTn (the variable) or fort.n; a write
// on a unit that could only be opened for reading gives report 47. A read first hands the
// unit's own buffered output to the file.
class Statement {
 public:
  Statement(int unit, StatementKind kind);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  UnitEntry& unit() { return *entry_; }

 private:
  UnitEntry* entry_;
  StatementKind kind_;
};

enum class ReadStatus { Ok, End, Failed };

// The next input line of the unit, without its line feed and without a carriage return
// just before it, cut to the unit's kept columns when it has them. `line` stays valid until
// the next call on this unit. End: no byte was left, or the line is the single byte 26
// (Ctrl+Z); every later call gives End again. Failed: the platform read failed; its code is in
// lastError (report 39 is the caller's). A line kept whole that is longer than kMaxWholeLine
// is report 22. While the platform read blocks, the run-time lock is released (the unit stays
// in use). On a console unit, End and Failed give way to a console event that has reached
// the process: the run then ends as that event.
ReadStatus nextRecord(UnitEntry& unit, std::string_view& line);

// The next input line exactly as nextRecord gives it, but left unconsumed: the next
// nextRecord (or peekRecord) on the unit gives the same line again. End and Failed are
// those of nextRecord. Lets a reader look at a line before choosing how to read it.
ReadStatus peekRecord(UnitEntry& unit, std::string_view& line);

// Of every later input line of the connected `unit` only the first `columns` bytes are kept;
// the rest of a longer line is passed over without being stored, so a line of any length
// takes bounded memory. 0 keeps whole lines again. The connection's next open resets it.
void keepInputColumns(int unit, std::size_t columns);

// Hands unit.record followed by carriage return and line feed to the unit, then clears the
// record and the pending marker. A platform failure stores its code and issues report 38.
void endRecord(UnitEntry& unit);

// Hands buffered output to the platform (console units do this after every statement,
// files when the buffer is large and at close). Failure: report 38 for the unit.
void flushOutput(UnitEntry& unit);

// Severe report `number` for this unit (unit number and file name). Does not return.
[[noreturn]] void failStatement(UnitEntry& unit, int number);

// Name resolution: first 256 characters, blanks and trailing NULs removed, device names,
// then the absolute path (lexical). `device` is set when the name is a device name.
enum class DeviceKind { None, ConsoleOutput, ConsoleInput, StandardError, NullDevice };
struct ResolvedName {
  std::string name;
  bool device = false;
  DeviceKind deviceKind = DeviceKind::None;  // which device, when `device` is set
};
ResolvedName resolveName(std::string_view typed);

// True when a connected unit has this resolved name, the platform knows the name (file or
// directory), or it is a device name. Never fails.
bool inquireExists(std::string_view name);

// Connects `unit` to the named file. status: OLD, NEW, SCRATCH, UNKNOWN or REPLACE (empty:
// UNKNOWN); access: SEQUENTIAL, DIRECT, APPEND, KEYED or empty. Returns only on success;
// every failure is a severe report.
void openUnit(int unit, std::string_view name, std::string_view status,
              std::string_view access = {});

// As openUnit, for a caller that already holds the name to connect: `resolved` is used as it
// stands (a path of any length, blanks kept, or a device such as the console input), and
// reports about the unit, its opening included, name `shownName` (empty: the resolved name).
// A command line writes a file under a temporary name this way while reports name the file
// it will become.
void openUnitResolved(int unit, const ResolvedName& resolved, std::string_view shownName,
                      std::string_view status, std::string_view access = {});

// The name reports give for the unit.
inline const std::string& reportedName(const UnitEntry& unit) {
  return unit.shownName.empty() ? unit.name : unit.shownName;
}

// Completes a pending record, closes the handle and forgets the connection. A unit that is
// not connected is left alone without a report.
void closeUnit(int unit);

// The unit's entry when it has been referenced, else nullptr. For tests and diagnostics.
UnitEntry* findUnit(int unit);

// Closes every connected unit that is not in use, exactly once per run; later calls do
// nothing. Used by endRun, stopRun, severe reports and the console-event path.
void closeAllUnits();

}  // namespace textio
