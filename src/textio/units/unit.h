// Numbered units: the console and named files behind every read and write statement.
// Statements on a unit, line input, line output, open, close and the existence test; the
// table of units is unit_table.h's, name resolution names.h's, reports report.h's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "textio/files/names.h"
#include "textio/units/report.h"
#include "textio/units/unit_table.h"

namespace textio::units {

enum class StatementKind { Read, Write, Open, Close, Inquiry };

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

// Writes `text` to `unit` as the write statements that built it would have: each line ended
// by CR LF is a record handed to the unit, a last line without one stays pending as
// non-advancing output leaves it, and a record the unit has pending is continued by the first
// line. Lines built by formatFixedLine on other threads are written this way, in order, and
// reach the platform in the same blocks. Failures are those of the write statements.
void writeText(int unit, std::string_view text);

// How much of `text` writeText(unit, text) would take up to and including the record after
// which it hands the unit's buffer to the platform; std::string_view::npos when it would not.
// Lets a writer of two files cut their texts so that each reaches the platform at the point
// where statements alternating between the files would have handed it over.
std::size_t textBeforeHandOver(int unit, std::string_view text);

// Hands buffered output to the platform (console units do this after every statement,
// files when the buffer is large and at close). Failure: report 38 for the unit.
void flushOutput(UnitEntry& unit);

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
void openUnitResolved(int unit, const files::ResolvedName& resolved, std::string_view shownName,
                      std::string_view status, std::string_view access = {});

// Completes a pending record, closes the handle and forgets the connection. A unit that is
// not connected is left alone without a report.
void closeUnit(int unit);

namespace detail {

// A platform read into `into` for the unit's handle, with the run-time lock let go while it
// blocks (the unit stays in use).
platform::ReadResult readUnlocked(UnitEntry& unit, char* into, std::size_t capacity);

// Moves a pending record into the output buffer with its line end.
void completePendingRecord(UnitEntry& unit);

// A record left pending on another unit connected to the same file is completed first, and
// handed to the file at once so that it stands before whatever this statement does there.
void completePendingOfFile(const std::string& name, const UnitEntry& except);

}  // namespace detail

}  // namespace textio::units
