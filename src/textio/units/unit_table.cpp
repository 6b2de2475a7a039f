// The unit table's entries and their closing: back to unconnected, buffered output handed to
// the platform, and the end-of-run closing that reports each failure and goes on.
#include "textio/units/unit_table.h"

#include <cerrno>
#include <iterator>

#include "textio/reports/report_text.h"
#include "textio/reports/run_lock.h"

namespace textio::units {

namespace {

bool closingDone = false;
reports::ReportCode firstClosingFailure = 0;

}  // namespace

namespace detail {

UnitTable& unitTable() {
  static UnitTable* table = new UnitTable;
  return *table;
}

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

platform::ErrorCode writeBuffered(UnitEntry& unit) {
  if (unit.output.empty()) return 0;
  if (unit.handle == platform::kInvalidHandle) {
    unit.output.clear();
    return EBADF;
  }
  const bool release = unit.console && unit.inUse;
  const int holds = release ? reports::detail::runTimeLock().releaseAll() : 0;
  platform::ErrorCode error =
      platform::writeAll(unit.handle, unit.output.data(), unit.output.size());
  if (release) reports::detail::runTimeLock().reacquire(holds);
  unit.output.clear();
  return error;
}

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

void forgetUnitsForHarness() {
  reports::detail::RunTimeHold hold;
  for (auto& [number, entry] : unitTable()) {
    if (entry->connected && !entry->console && entry->handle != platform::kInvalidHandle) {
      platform::closeHandle(entry->handle);
    }
  }
  unitTable().clear();
  closingDone = false;
  firstClosingFailure = 0;
}

reports::ReportCode closingFailure() {
  reports::detail::RunTimeHold hold;
  return firstClosingFailure;
}

}  // namespace detail

using detail::closeEntry;
using detail::Failure;
using detail::unitTable;

UnitEntry* findUnit(int unit) {
  reports::detail::RunTimeHold hold;
  auto found = unitTable().find(unit);
  return found == unitTable().end() ? nullptr : found->second.get();
}

void closeAllUnits() {
  reports::detail::RunTimeHold hold;
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
    const reports::ReportCode code = reports::severeCode(static_cast<unsigned>(failure.number));
    reports::detail::emitReport(code, reports::ReportArguments::UnitAndFile, number, name,
                                failure.error);
    if (firstClosingFailure == 0) firstClosingFailure = code;
  }
}

}  // namespace textio::units
