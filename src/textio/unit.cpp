// The unit table and the unit operations: statements (lookup, in-use marking, pending records),
// line input in large blocks, buffered line output, open, close, the existence test and the
// end-of-run closing. Every table access happens under the run-time lock.
#include "textio/unit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "textio/harness_reset.h"
#include "textio/report.h"
#include "textio/run_time_internal.h"

namespace textio {

namespace {

constexpr std::size_t kInputBlock = 64 * 1024;
// Completed records of a file are handed to the platform in blocks of about this size.
constexpr std::size_t kOutputFlushSize = 64 * 1024;
constexpr char kEndOfFileByte = 26;  // Ctrl+Z alone on a line ends the input

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
    std::unique_ptr<UnitEntry>& slot = map_[number];
    if (!slot) {
      slot = std::make_unique<UnitEntry>();
      slot->number = number;
    }
    if (indexed) index_[static_cast<std::size_t>(number - kFirstIndexed)] = slot.get();
    return *slot;
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
UnitTable& unitTable() {
  static UnitTable* table = new UnitTable;
  return *table;
}

bool closingDone = false;
ReportCode firstClosingFailure = 0;

UnitEntry& entryFor(int number) { return unitTable().entry(number); }

bool isConsoleUnitNumber(int number) {
  return number == kConsoleInputUnit || number == kConsoleOutputUnit;
}

// Back to unconnected: the handle is the caller's business, buffers are freed.
void resetEntry(UnitEntry& unit) {
  unit.connected = false;
  unit.console = false;
  unit.readOnly = false;
  unit.nullDevice = false;
  unit.name.clear();
  unit.shownName.clear();
  unit.handle = platform::kInvalidHandle;
  unit.lastError = 0;
  unit.recordLength = 0;
  std::vector<char>().swap(unit.input);
  unit.inputBegin = 0;
  unit.inputEnd = 0;
  unit.inputExhausted = false;
  unit.endSeen = false;
  std::string().swap(unit.longLine);
  unit.keptColumns = 0;
  std::string().swap(unit.record);
  unit.pending = false;
  std::string().swap(unit.output);
  unitTable().connectionsChanged();
}

// Hands the buffered output to the platform and empties the buffer, also on failure (what
// could not be written is not tried again). While a console write blocks (a full pipe, a
// stopped terminal) the run-time lock is released so that Ctrl+C still ends the run.
platform::ErrorCode writeBuffered(UnitEntry& unit) {
  if (unit.output.empty()) return 0;
  if (unit.handle == platform::kInvalidHandle) {
    unit.output.clear();
    return EBADF;
  }
  const bool release = unit.console && unit.inUse;
  const int holds = release ? detail::runTimeLock().releaseAll() : 0;
  platform::ErrorCode error =
      platform::writeAll(unit.handle, unit.output.data(), unit.output.size());
  if (release) detail::runTimeLock().reacquire(holds);
  unit.output.clear();
  return error;
}

// Moves a pending record into the output buffer with its line end.
void completePendingRecord(UnitEntry& unit) {
  if (!unit.pending) return;
  endRecord(unit);
}

struct Failure {
  int number = 0;  // report number, 0: none
  platform::ErrorCode error = 0;
};

// Completes a pending record, writes what is buffered, closes the handle (never a standard
// stream) and forgets the connection. Reports nothing: the caller decides how to.
Failure closeEntry(UnitEntry& unit) {
  Failure failure;
  if (unit.pending) {
    unit.output += unit.record;
    unit.output += "\r\n";
    unit.record.clear();
    unit.pending = false;
  }
  if (platform::ErrorCode error = writeBuffered(unit); error != 0) failure = {38, error};
  if (!unit.console && unit.handle != platform::kInvalidHandle) {
    platform::ErrorCode error = platform::closeHandle(unit.handle);
    if (error != 0 && failure.number == 0) failure = {28, error};
  }
  resetEntry(unit);
  return failure;
}

// A record left pending on another unit connected to the same file is completed first, and
// handed to the file at once so that it stands before whatever this statement does there.
void completePendingOfFile(const std::string& name, const UnitEntry& except) {
  if (name.empty()) return;
  for (auto& [number, other] : unitTable()) {
    if (other.get() == &except || !other->connected || !other->pending) continue;
    if (other->name != name) continue;
    completePendingRecord(*other);
    flushOutput(*other);
  }
}

enum class OpenStatus { Old, New, Scratch, Unknown, Replace };

std::string upperTrimmed(std::string_view word) {
  while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
  std::string upper(word);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool parseStatus(std::string_view word, OpenStatus& status) {
  const std::string upper = upperTrimmed(word);
  if (upper.empty() || upper == "UNKNOWN") {
    status = OpenStatus::Unknown;
  } else if (upper == "OLD") {
    status = OpenStatus::Old;
  } else if (upper == "NEW") {
    status = OpenStatus::New;
  } else if (upper == "SCRATCH") {
    status = OpenStatus::Scratch;
  } else if (upper == "REPLACE") {
    status = OpenStatus::Replace;
  } else {
    return false;
  }
  return true;
}

enum class AccessMode { Sequential, Append };

// DIRECT and KEYED are accepted words; this layer has only sequential records for them.
bool parseAccess(std::string_view word, AccessMode& access) {
  const std::string upper = upperTrimmed(word);
  if (upper.empty() || upper == "SEQUENTIAL" || upper == "DIRECT" || upper == "KEYED") {
    access = AccessMode::Sequential;
  } else if (upper == "APPEND") {
    access = AccessMode::Append;
  } else {
    return false;
  }
  return true;
}

// The report for a refused open.
Failure openFailure(platform::ErrorCode error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return {29, 0};
    case EMFILE:
    case ENFILE:
      return {30, 0};
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return {9, 0};
    case EEXIST:
      return {10, 0};
    case ENAMETOOLONG:
    case EINVAL:  // a name the platform cannot take, such as one holding a NUL byte
      return {43, 0};
    default:
      return {30, error};
  }
}

bool accessRefused(platform::ErrorCode error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

// Connects an unconnected entry to a resolved name. On failure the entry is left unconnected.
Failure connect(UnitEntry& unit, const ResolvedName& resolved, OpenStatus status, AccessMode access,
                platform::Access wanted) {
  unit.name = resolved.name;
  if (resolved.device) {
    switch (resolved.deviceKind) {
      case DeviceKind::ConsoleInput:
        unit.handle = platform::standardInput();
        unit.console = true;
        break;
      case DeviceKind::StandardError:
        unit.handle = platform::standardError();
        unit.console = true;
        break;
      case DeviceKind::NullDevice: {
        platform::OpenResult null =
            platform::openFile("/dev/null", platform::Creation::OpenExisting, wanted);
        if (null.error != 0) {
          resetEntry(unit);
          return openFailure(null.error);
        }
        unit.handle = null.handle;
        unit.nullDevice = true;
        break;
      }
      default:
        unit.handle = platform::standardOutput();
        unit.console = true;
        break;
    }
    unit.connected = true;
    unitTable().connectionsChanged();
    return {};
  }

  platform::OpenResult opened;
  platform::ErrorCode readWriteError = 0;
  if (status == OpenStatus::Scratch) {
    opened = platform::openScratchFile();
  } else {
    platform::Creation creation = platform::Creation::OpenOrCreate;
    if (status == OpenStatus::Old) creation = platform::Creation::OpenExisting;
    if (status == OpenStatus::New) creation = platform::Creation::CreateNew;
    // A pipe or FIFO given as an existing file is only read: held open for writing by its
    // reader, it would never show the end of its data. Such an open waits for a writer, so the
    // run-time lock is let go meanwhile and Ctrl+C still ends the run. Devices keep the
    // read-write open (an existing /dev/full is written to and fails as a full disk).
    const bool stream = status == OpenStatus::Old && wanted == platform::Access::ReadWrite &&
                        platform::isPipe(resolved.name);
    if (stream) wanted = platform::Access::ReadOnly;
    const int holds = stream ? detail::runTimeLock().releaseAll() : 0;
    opened = platform::openFile(resolved.name, creation, wanted);
    if (stream) detail::runTimeLock().reacquire(holds);
    unit.readOnly = stream && opened.error == 0;
    if (wanted == platform::Access::ReadWrite && accessRefused(opened.error)) {
      // Read access alone may still be granted (a read-only input file); writes then fail.
      readWriteError = opened.error;
      opened = platform::openFile(resolved.name, creation, platform::Access::ReadOnly);
      unit.readOnly = opened.error == 0;
    }
  }
  if (opened.error != 0) {
    resetEntry(unit);
    return openFailure(opened.error);
  }
  unit.handle = opened.handle;
  unit.connected = true;
  unitTable().connectionsChanged();

  platform::ErrorCode positioned = 0;
  if (status == OpenStatus::Replace) {
    positioned = platform::truncateFile(unit.handle);
    // A read-only handle cannot be cut; the refused read-write open says why.
    if (positioned != 0 && unit.readOnly && readWriteError != 0) positioned = readWriteError;
  } else if (access == AccessMode::Append) {
    positioned = platform::seekToEnd(unit.handle);
  }
  if (positioned != 0) {
    platform::closeHandle(unit.handle);
    resetEntry(unit);
    return {38, positioned};
  }
  return {};
}

// First use of an unconnected unit by a read or write: the console units go to the standard
// streams (or to the files FOR_READ and FOR_PRINT name), other units to FORTn or fort.n.
void connectAtFirstUse(UnitEntry& unit) {
  ResolvedName resolved;
  OpenStatus status = OpenStatus::Unknown;
  platform::Access wanted = platform::Access::ReadWrite;
  if (unit.number == kConsoleInputUnit || unit.number == kConsoleOutputUnit) {
    const bool input = unit.number == kConsoleInputUnit;
    std::optional<std::string> file =
        platform::environmentVariable(input ? "FOR_READ" : "FOR_PRINT");
    if (!file || file->empty()) {
      unit.handle = input ? platform::standardInput() : platform::standardOutput();
      unit.name = input ? "CONIN$" : "CONOUT$";
      unit.console = true;
      unit.connected = true;
      unitTable().connectionsChanged();
      return;
    }
    resolved = resolveName(*file);
    // Answers are read from an existing file; the log of a batch run starts empty.
    status = input ? OpenStatus::Old : OpenStatus::Replace;
    wanted = input ? platform::Access::ReadOnly : platform::Access::ReadWrite;
  } else {
    const std::string variable = "FORT" + std::to_string(unit.number);
    std::optional<std::string> file = platform::environmentVariable(variable.c_str());
    resolved = resolveName(file && !file->empty() ? *file : "fort." + std::to_string(unit.number));
  }
  Failure failure = connect(unit, resolved, status, AccessMode::Sequential, wanted);
  if (failure.number != 0) {
    issueReport(severeCode(static_cast<unsigned>(failure.number)), unit.number, resolved.name,
                failure.error);
  }
}

// Ctrl+C on a pipeline also ends the process that feeds the console, and a closed terminal
// hangs up and ends the input together: a console event that reached the process before its
// console input ended or failed ends the run as that event, never as report 24 or 39.
ReadStatus endOfInput(UnitEntry& unit, ReadStatus status) {
  if (unit.console) {
    const int holds = detail::runTimeLock().releaseAll();
    platform::yieldToConsoleEvent();
    detail::runTimeLock().reacquire(holds);
  }
  return status;
}

// A platform read into the unit's buffer; the run-time lock is let go while it blocks.
platform::ReadResult readUnlocked(UnitEntry& unit, char* into, std::size_t capacity) {
  const int holds = detail::runTimeLock().releaseAll();
  platform::ReadResult got = platform::readSome(unit.handle, into, capacity);
  detail::runTimeLock().reacquire(holds);
  return got;
}

// The unfinished line fills the whole buffer and is longer than the unit keeps: its first
// keptColumns bytes stay at the front as the line, and the rest is read into the space after
// them and dropped, up to its line feed, without the buffer ever growing.
ReadStatus passOverRest(UnitEntry& unit, std::string_view& line) {
  const std::size_t kept = unit.keptColumns;
  char* const rest = unit.input.data() + kept;
  for (;;) {
    const platform::ReadResult got = readUnlocked(unit, rest, unit.input.size() - kept);
    if (got.error != 0) {
      // A later read goes on with the same line.
      unit.inputBegin = 0;
      unit.inputEnd = kept;
      unit.lastError = got.error;
      return ReadStatus::Failed;
    }
    if (got.bytes == 0) {
      // The kept columns stay in the buffer as consumed bytes, so that a peek that steps
      // back to the line's start finds it again.
      unit.inputExhausted = true;
      unit.inputBegin = kept;
      unit.inputEnd = kept;
      break;
    }
    if (const void* feed = std::memchr(rest, '\n', got.bytes)) {
      unit.inputBegin = static_cast<std::size_t>(static_cast<const char*>(feed) - rest) + kept + 1;
      unit.inputEnd = kept + got.bytes;
      break;
    }
  }
  line = std::string_view(unit.input.data(), kept);
  return ReadStatus::Ok;
}

}  // namespace

namespace detail {
void forgetUnitsForHarness() {
  RunTimeHold hold;
  for (auto& [number, entry] : unitTable()) {
    if (entry->connected && !entry->console && entry->handle != platform::kInvalidHandle) {
      platform::closeHandle(entry->handle);
    }
  }
  unitTable().clear();
  closingDone = false;
  firstClosingFailure = 0;
}

ReportCode closingFailure() {
  RunTimeHold hold;
  return firstClosingFailure;
}
}  // namespace detail

Statement::Statement(int unit, StatementKind kind) : kind_(kind) {
  detail::runTimeLock().lock();
  entry_ = &entryFor(unit);
  UnitEntry& entry = *entry_;
  if (entry.inUse) {
    // Left in use by the statement that owns it; this one never started.
    UnitEntry* owner = entry_;
    entry_ = nullptr;
    issueReport(severeCode(40), owner->number, reportedName(*owner));
  }
  // Every look at the marker happens under the run-time lock, which orders it.
  entry.inUse.store(true, std::memory_order_relaxed);
  entry.user = std::this_thread::get_id();
  if (!entry.connected && (kind == StatementKind::Read || kind == StatementKind::Write)) {
    connectAtFirstUse(entry);
  }
  if (kind == StatementKind::Write && entry.readOnly) failStatement(entry, 47);
  if (kind == StatementKind::Read) {
    completePendingRecord(entry);
    flushOutput(entry);
  }
  // Another unit of the same file can have a pending record only when two units share it.
  if (kind != StatementKind::Inquiry && entry.connected && unitTable().anySharedFile()) {
    completePendingOfFile(entry.name, entry);
  }
}

Statement::~Statement() {
  if (entry_ != nullptr) {
    UnitEntry& entry = *entry_;
    if (entry.connected && (entry.console || isConsoleUnitNumber(entry.number))) {
      flushOutput(entry);
    }
    entry.inUse.store(false, std::memory_order_relaxed);
  }
  detail::runTimeLock().unlock();
}

ReadStatus nextRecord(UnitEntry& unit, std::string_view& line) {
  if (unit.endSeen) return ReadStatus::End;
  for (;;) {
    const char* begin = unit.input.data() + unit.inputBegin;
    const std::size_t available = unit.inputEnd - unit.inputBegin;
    const void* feed = available > 0 ? std::memchr(begin, '\n', available) : nullptr;
    if (feed != nullptr || (unit.inputExhausted && available > 0)) {
      std::size_t length = feed != nullptr
                               ? static_cast<std::size_t>(static_cast<const char*>(feed) - begin)
                               : available;
      unit.inputBegin += feed != nullptr ? length + 1 : length;
      // A carriage return belongs to the line end only when a line feed follows it.
      if (feed != nullptr && length > 0 && begin[length - 1] == '\r') --length;
      if (length == 1 && begin[0] == kEndOfFileByte) {
        unit.endSeen = true;
        return endOfInput(unit, ReadStatus::End);
      }
      if (unit.keptColumns != 0) length = std::min(length, unit.keptColumns);
      line = std::string_view(begin, length);
      return ReadStatus::Ok;
    }
    if (unit.inputExhausted) {
      unit.endSeen = true;
      return endOfInput(unit, ReadStatus::End);
    }

    // Need more bytes: keep the unfinished line at the front, grow when it fills the buffer.
    if (unit.inputBegin > 0) {
      std::memmove(unit.input.data(), begin, available);
      unit.inputBegin = 0;
      unit.inputEnd = available;
    }
    if (unit.inputEnd == unit.input.size()) {
      if (unit.keptColumns != 0 && available > unit.keptColumns) return passOverRest(unit, line);
      // Nothing short of the machine's memory would stop an endless line otherwise.
      if (unit.input.size() >= kMaxWholeLine) failStatement(unit, 22);
      try {
        unit.input.resize(unit.input.empty() ? kInputBlock : unit.input.size() * 2);
      } catch (const std::bad_alloc&) {
        failStatement(unit, 22);
      } catch (const std::length_error&) {
        failStatement(unit, 22);
      }
    }
    const platform::ReadResult got =
        readUnlocked(unit, unit.input.data() + unit.inputEnd, unit.input.size() - unit.inputEnd);
    if (got.error != 0) {
      unit.lastError = got.error;
      return endOfInput(unit, ReadStatus::Failed);
    }
    if (got.bytes == 0) unit.inputExhausted = true;
    unit.inputEnd += got.bytes;
  }
}

ReadStatus peekRecord(UnitEntry& unit, std::string_view& line) {
  const ReadStatus status = nextRecord(unit, line);
  // A line handed out begins at the first unconsumed byte of the buffer (after the
  // unfinished line was moved to the front, when more bytes had to be read): consuming
  // from there again gives the same line.
  if (status == ReadStatus::Ok) {
    unit.inputBegin = static_cast<std::size_t>(line.data() - unit.input.data());
  }
  return status;
}

void keepInputColumns(int unit, std::size_t columns) {
  detail::RunTimeHold hold;
  unitTable().entry(unit).keptColumns = columns;
}

void endRecord(UnitEntry& unit) {
  try {
    unit.output += unit.record;
    unit.output += "\r\n";
  } catch (const std::bad_alloc&) {
    issueReport(severeCode(41));
  }
  unit.record.clear();
  unit.pending = false;
  if (unit.output.size() >= kOutputFlushSize) flushOutput(unit);
}

void flushOutput(UnitEntry& unit) {
  if (platform::ErrorCode error = writeBuffered(unit); error != 0) {
    unit.lastError = error;
    failStatement(unit, 38);
  }
}

void failStatement(UnitEntry& unit, int number) {
  const int error = unit.lastError;
  unit.lastError = 0;
  const std::string name = reportedName(unit);
  issueReport(severeCode(static_cast<unsigned>(number)), unit.number, name, error);
  // Only severe codes reach here, and a severe report does not return.
  std::abort();
}

bool inquireExists(std::string_view name) {
  detail::RunTimeHold hold;
  ResolvedName resolved = resolveName(name);
  if (resolved.name.empty()) return false;
  for (const auto& [number, entry] : unitTable()) {
    if (entry->connected && entry->name == resolved.name) return true;
  }
  // Devices are answered without asking the file system.
  if (resolved.device) return true;
  return platform::nameAttributes(resolved.name).exists;
}

void openUnit(int unit, std::string_view name, std::string_view status, std::string_view access) {
  openUnitResolved(unit, resolveName(name), {}, status, access);
}

void openUnitResolved(int unit, const ResolvedName& resolved, std::string_view shownName,
                      std::string_view status, std::string_view access) {
  Statement statement(unit, StatementKind::Open);
  UnitEntry& entry = statement.unit();
  const std::string reported(shownName.empty() ? std::string_view(resolved.name) : shownName);
  OpenStatus openStatus{};
  AccessMode accessMode{};
  if (!parseStatus(status, openStatus) || !parseAccess(access, accessMode)) {
    issueReport(severeCode(45), unit, reported);
  }
  if (entry.connected) {
    // Opening a connected unit again connects it afresh; the old file is closed first.
    const std::string oldName = reportedName(entry);
    if (Failure failure = closeEntry(entry); failure.number != 0) {
      issueReport(severeCode(static_cast<unsigned>(failure.number)), unit, oldName, failure.error);
    }
  }
  completePendingOfFile(resolved.name, entry);
  Failure failure = connect(entry, resolved, openStatus, accessMode, platform::Access::ReadWrite);
  if (failure.number != 0) {
    issueReport(severeCode(static_cast<unsigned>(failure.number)), unit, reported, failure.error);
  }
  if (!shownName.empty()) entry.shownName = shownName;
}

void closeUnit(int unit) {
  detail::RunTimeHold hold;
  UnitEntry* found = findUnit(unit);
  if (found == nullptr || !found->connected) return;
  Statement statement(unit, StatementKind::Close);
  UnitEntry& entry = statement.unit();
  const std::string name = reportedName(entry);
  if (Failure failure = closeEntry(entry); failure.number != 0) {
    issueReport(severeCode(static_cast<unsigned>(failure.number)), unit, name, failure.error);
  }
}

UnitEntry* findUnit(int unit) {
  detail::RunTimeHold hold;
  auto found = unitTable().find(unit);
  return found == unitTable().end() ? nullptr : found->second.get();
}

void closeAllUnits() {
  detail::RunTimeHold hold;
  if (closingDone) return;
  closingDone = true;
  for (auto& [number, entry] : unitTable()) {
    if (!entry->connected) continue;
    // A statement of another thread still runs on it (the console read that was waiting when
    // Ctrl+C came): leave it alone. A statement of this thread is being abandoned by a report.
    if (entry->inUse && entry->user != std::this_thread::get_id()) continue;
    const std::string name = reportedName(*entry);
    Failure failure = closeEntry(*entry);
    if (failure.number == 0) continue;
    // The closing goes on with the other units, so their records still reach their files.
    const ReportCode code = severeCode(static_cast<unsigned>(failure.number));
    detail::emitReport(code, ReportArguments::UnitAndFile, number, name, failure.error);
    if (firstClosingFailure == 0) firstClosingFailure = code;
  }
}

}  // namespace textio
