// One input/output statement on a unit: lookup, the in-use marker against recursive use,
// connection at first use, pending records completed, console output handed on at the end.
#include <new>
#include <thread>

#include "textio/reports/run_lock.h"
#include "textio/units/connection.h"
#include "textio/units/unit.h"

namespace textio::units {

namespace {

bool isConsoleUnitNumber(int number) {
  return number == kConsoleInputUnit || number == kConsoleOutputUnit;
}

}  // namespace

Statement::Statement(int unit, StatementKind kind) : kind_(kind) {
  reports::detail::runTimeLock().lock();
  try {
    entry_ = &detail::unitTable().entry(unit);
  } catch (const std::bad_alloc&) {
    issueReport(reports::severeCode(41));  // under the lock taken above, which a report keeps
  }
  UnitEntry& entry = *entry_;
  if (entry.inUse) {
    // Left in use by the statement that owns it; this one never started.
    UnitEntry* owner = entry_;
    entry_ = nullptr;
    issueReport(reports::severeCode(40), owner->number, reportedName(*owner));
  }
  // Every look at the marker happens under the run-time lock, which orders it.
  entry.inUse.store(true, std::memory_order_relaxed);
  entry.user = std::this_thread::get_id();
  if (!entry.connected && (kind == StatementKind::Read || kind == StatementKind::Write)) {
    detail::connectAtFirstUse(entry);
  }
  if (kind == StatementKind::Write && entry.readOnly) failStatement(entry, 47);
  if (kind == StatementKind::Read) {
    detail::completePendingRecord(entry);
    flushOutput(entry);
  }
  // Another unit of the same file can have a pending record only when two units share it.
  if (kind != StatementKind::Inquiry && entry.connected && detail::unitTable().anySharedFile()) {
    detail::completePendingOfFile(entry.name, entry);
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
  reports::detail::runTimeLock().unlock();
}

}  // namespace textio::units
