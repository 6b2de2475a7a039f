// Connecting a unit: the open words, the report for each refusal, the device and file cases,
// and the console units' and FORTn connections at first use.
#include "textio/units/connection.h"

#include <cerrno>
#include <optional>
#include <string>

#include "textio/reports/run_lock.h"
#include "textio/units/report.h"

namespace textio::units::detail {

namespace {

std::string upperTrimmed(std::string_view word) {
  while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
  std::string upper(word);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
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

}  // namespace

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

namespace {

// The device half of connect: the console streams, standard error or the null device.
Failure connectDevice(UnitEntry& unit, const files::ResolvedName& resolved,
                      platform::Access wanted) {
  switch (resolved.deviceKind) {
    case files::DeviceKind::ConsoleInput:
      unit.handle = platform::standardInput();
      unit.console = true;
      break;
    case files::DeviceKind::StandardError:
      unit.handle = platform::standardError();
      unit.console = true;
      break;
    case files::DeviceKind::NullDevice: {
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

}  // namespace

Failure connect(UnitEntry& unit, const files::ResolvedName& resolved, OpenStatus status,
                AccessMode access, platform::Access wanted) {
  unit.name = resolved.name;
  if (resolved.device) return connectDevice(unit, resolved, wanted);

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
    const int holds = stream ? reports::detail::runTimeLock().releaseAll() : 0;
    opened = platform::openFile(resolved.name, creation, wanted);
    if (stream) reports::detail::runTimeLock().reacquire(holds);
    unit.readOnly = stream && opened.error == 0;
    // A file created new is created to be written: a refusal is the report, never a read-only
    // file whose first write fails without naming the cause.
    if (wanted == platform::Access::ReadWrite && status != OpenStatus::New &&
        accessRefused(opened.error)) {
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

void connectAtFirstUse(UnitEntry& unit) {
  files::ResolvedName resolved;
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
    resolved = files::resolveName(*file);
    // Answers are read from an existing file; the log of a batch run starts empty.
    status = input ? OpenStatus::Old : OpenStatus::Replace;
    wanted = input ? platform::Access::ReadOnly : platform::Access::ReadWrite;
  } else {
    const std::string variable = "FORT" + std::to_string(unit.number);
    std::optional<std::string> file = platform::environmentVariable(variable.c_str());
    resolved =
        files::resolveName(file && !file->empty() ? *file : "fort." + std::to_string(unit.number));
  }
  Failure failure = connect(unit, resolved, status, AccessMode::Sequential, wanted);
  if (failure.number != 0) {
    issueReport(reports::severeCode(static_cast<unsigned>(failure.number)), unit.number,
                resolved.name, failure.error);
  }
}

}  // namespace textio::units::detail
