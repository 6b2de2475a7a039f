// Open, close and the existence test: the statements that connect a unit to a named file,
// forget the connection, or ask whether a name is known.
#include <string>

#include "textio/reports/run_lock.h"
#include "textio/units/connection.h"
#include "textio/units/unit.h"

namespace textio::units {

using detail::AccessMode;
using detail::closeEntry;
using detail::completePendingOfFile;
using detail::connect;
using detail::Failure;
using detail::OpenStatus;
using detail::parseAccess;
using detail::parseStatus;
using detail::unitTable;

bool inquireExists(std::string_view name) {
  reports::detail::RunTimeHold hold;
  files::ResolvedName resolved = files::resolveName(name);
  if (resolved.name.empty()) return false;
  for (const auto& [number, entry] : unitTable()) {
    if (entry->connected && entry->name == resolved.name) return true;
  }
  // Devices are answered without asking the file system.
  if (resolved.device) return true;
  return platform::nameAttributes(resolved.name).exists;
}

void openUnit(int unit, std::string_view name, std::string_view status, std::string_view access) {
  openUnitResolved(unit, files::resolveName(name), {}, status, access);
}

void openUnitResolved(int unit, const files::ResolvedName& resolved, std::string_view shownName,
                      std::string_view status, std::string_view access) {
  Statement statement(unit, StatementKind::Open);
  UnitEntry& entry = statement.unit();
  const std::string reported(shownName.empty() ? std::string_view(resolved.name) : shownName);
  OpenStatus openStatus{};
  AccessMode accessMode{};
  if (!parseStatus(status, openStatus) || !parseAccess(access, accessMode)) {
    issueReport(reports::severeCode(45), unit, reported);
  }
  if (entry.connected) {
    // Opening a connected unit again connects it afresh; the old file is closed first.
    const std::string oldName = reportedName(entry);
    if (Failure failure = closeEntry(entry); failure.number != 0) {
      issueReport(reports::severeCode(static_cast<unsigned>(failure.number)), unit, oldName,
                  failure.error);
    }
  }
  completePendingOfFile(resolved.name, entry);
  Failure failure = connect(entry, resolved, openStatus, accessMode, platform::Access::ReadWrite);
  if (failure.number != 0) {
    issueReport(reports::severeCode(static_cast<unsigned>(failure.number)), unit, reported,
                failure.error);
  }
  if (!shownName.empty()) entry.shownName = shownName;
}

void closeUnit(int unit) {
  reports::detail::RunTimeHold hold;
  UnitEntry* found = findUnit(unit);
  if (found == nullptr || !found->connected) return;
  Statement statement(unit, StatementKind::Close);
  UnitEntry& entry = statement.unit();
  const std::string name = reportedName(entry);
  if (Failure failure = closeEntry(entry); failure.number != 0) {
    issueReport(reports::severeCode(static_cast<unsigned>(failure.number)), unit, name,
                failure.error);
  }
}

}  // namespace textio::units
