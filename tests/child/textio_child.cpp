// Test driver for the run-time layer: a small program whose behaviour is chosen by its
// arguments, so that tests can watch exit statuses, report output, console events and the
// files a run leaves behind in a real process.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "textio/run/run_time.h"
#include "textio/units/report.h"
#include "textio/units/unit.h"

namespace {

using textio::units::StatementKind;

enum class Line { End, Pending };

void writeRecord(int unit, std::string_view text, Line line = Line::End) {
  textio::units::Statement statement(unit, StatementKind::Write);
  textio::units::UnitEntry& entry = statement.unit();
  entry.record += text;
  if (line == Line::End) {
    textio::units::endRecord(entry);
  } else {
    entry.pending = true;
  }
}

// The next line, or nothing at the end of the input; a read error is report 39.
std::optional<std::string> tryReadLine(int unit) {
  textio::units::Statement statement(unit, StatementKind::Read);
  textio::units::UnitEntry& entry = statement.unit();
  std::string_view line;
  textio::units::ReadStatus status = textio::units::nextRecord(entry, line);
  if (status == textio::units::ReadStatus::End) return std::nullopt;
  if (status == textio::units::ReadStatus::Failed) textio::units::failStatement(entry, 39);
  return std::string(line);
}

// One console line; end of input and read errors are the usual severe reports.
std::string readLine(int unit) {
  textio::units::Statement statement(unit, StatementKind::Read);
  textio::units::UnitEntry& entry = statement.unit();
  std::string_view line;
  switch (textio::units::nextRecord(entry, line)) {
    case textio::units::ReadStatus::Ok:
      return std::string(line);
    case textio::units::ReadStatus::End:
      textio::units::failStatement(entry, 24);
    case textio::units::ReadStatus::Failed:
      break;
  }
  textio::units::failStatement(entry, 39);
}

textio::reports::ReportCode codeOf(std::string_view severity, const char* number) {
  unsigned value = static_cast<unsigned>(std::strtoul(number, nullptr, 10));
  if (severity == "severe") return textio::reports::severeCode(value);
  if (severity == "error") return textio::reports::errorCode(value);
  if (severity == "info") return textio::reports::infoCode(value);
  return value;
}

void say(std::string_view text) {
  platform::writeAll(platform::standardOutput(), text.data(), text.size());
}

int usage() {
  say("unknown command\n");
  return 125;
}

}  // namespace

// Outside the anonymous namespace so that the traceback can name it. Every level is a real
// frame: the addition after the call keeps the compiler from making a loop of it.
[[gnu::noinline]] int nestedReport(int depth) {
  if (depth <= 0) {
    textio::units::issueReport(textio::reports::severeCode(41));
    return 0;
  }
  volatile int keep = depth;
  return nestedReport(depth - 1) + keep;
}

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string_view command = argv[1];
  textio::run::initRunTime();

  // report SEVERITY NUMBER UNIT FILE [SYSTEM-ERROR]: a report with unit and file.
  if (command == "report" && argc >= 6) {
    int systemError = argc >= 7 ? std::atoi(argv[6]) : 0;
    textio::units::issueReport(codeOf(argv[2], argv[3]), std::atoi(argv[4]), argv[5], systemError);
    say("returned\n");
    textio::run::endRun();
  }
  // report-text SEVERITY NUMBER TEXT, report-none SEVERITY NUMBER.
  if (command == "report-text" && argc >= 5) {
    textio::units::issueReport(codeOf(argv[2], argv[3]), argv[4]);
    say("returned\n");
    textio::run::endRun();
  }
  if (command == "report-none" && argc >= 4) {
    textio::units::issueReport(codeOf(argv[2], argv[3]));
    say("returned\n");
    textio::run::endRun();
  }
  // deep-report DEPTH: a severe report DEPTH calls below main.
  if (command == "deep-report" && argc >= 3) {
    nestedReport(std::atoi(argv[2]));
    textio::run::endRun();
  }
  // wait-console FILE: completed records and a pending one in FILE (unit 15, REPLACE), the
  // line "ready" on the console, then a console read that waits.
  if (command == "wait-console" && argc >= 3) {
    textio::units::openUnit(15, argv[2], "REPLACE");
    writeRecord(15, "first");
    writeRecord(15, "second");
    writeRecord(15, "pend", Line::Pending);
    writeRecord(textio::units::kConsoleOutputUnit, "ready");
    std::string line = readLine(textio::units::kConsoleInputUnit);
    writeRecord(textio::units::kConsoleOutputUnit, "got " + line);
    textio::run::endRun();
  }
  // busy FILE: records to FILE (unit 15) without end, each built in two steps with the pending
  // marker set in between; "ready" on the console after the first thousand.
  if (command == "busy" && argc >= 3) {
    textio::units::openUnit(15, argv[2], "REPLACE");
    for (long i = 0;; ++i) {
      {
        textio::units::Statement statement(15, StatementKind::Write);
        textio::units::UnitEntry& entry = statement.unit();
        entry.record += "record " + std::to_string(i);
        entry.pending = true;
        entry.record += " end";
        textio::units::endRecord(entry);
      }
      if (i == 1000) writeRecord(textio::units::kConsoleOutputUnit, "ready");
    }
  }
  // divide: a division by zero and an invalid operation after the start-up settings.
  if (command == "divide") {
    volatile double zero = 0.0;
    const double infinite = 1.0 / zero;
    const double invalid = zero / zero;
    say(std::string(std::isinf(infinite) ? "inf" : "?") + " " +
        (std::isnan(invalid) ? "nan" : "?") + "\n");
    textio::run::endRun();
  }
  // finish stop|end FILE: a record and a pending one in FILE (unit 16), then stopRun/endRun.
  if (command == "finish" && argc >= 4) {
    textio::units::openUnit(16, argv[3], "REPLACE");
    writeRecord(16, "done");
    writeRecord(16, "     1     2", Line::Pending);
    if (std::string_view(argv[2]) == "stop") textio::run::stopRun();
    textio::run::endRun();
  }
  // echo: every console line written back between brackets, then "end" and a second read
  // after the end to show that it ends again.
  if (command == "echo") {
    while (std::optional<std::string> line = tryReadLine(textio::units::kConsoleInputUnit)) {
      writeRecord(textio::units::kConsoleOutputUnit, "[" + *line + "]");
    }
    writeRecord(textio::units::kConsoleOutputUnit, "end");
    readLine(textio::units::kConsoleInputUnit);
    textio::run::endRun();
  }
  // open UNIT NAME STATUS [ACCESS]: the open, then "opened NAME readonly=0|1" on the console.
  if (command == "open" && argc >= 5) {
    const int unit = std::atoi(argv[2]);
    textio::units::openUnit(unit, argv[3], argv[4], argc >= 6 ? argv[5] : "");
    const textio::units::UnitEntry* entry = textio::units::findUnit(unit);
    say("opened " + entry->name + " readonly=" + (entry->readOnly ? "1" : "0") + "\n");
    textio::run::endRun();
  }
  // write UNIT NAME STATUS TEXT...: each TEXT a record of the unit, then the normal end.
  if (command == "write" && argc >= 6) {
    const int unit = std::atoi(argv[2]);
    textio::units::openUnit(unit, argv[3], argv[4]);
    for (int i = 5; i < argc; ++i) writeRecord(unit, argv[i]);
    textio::run::endRun();
  }
  // two-files FULL OTHER: records to both (FULL may be /dev/full), then the normal end.
  if (command == "two-files" && argc >= 4) {
    textio::units::openUnit(15, argv[2], "OLD");
    textio::units::openUnit(16, argv[3], "REPLACE");
    writeRecord(15, "lost");
    writeRecord(16, "kept");
    writeRecord(16, "pending", Line::Pending);
    textio::run::endRun();
  }
  // console COUNT: COUNT records on the console output, then "after" on standard error.
  if (command == "console" && argc >= 3) {
    for (int i = std::atoi(argv[2]); i > 0; --i)
      writeRecord(textio::units::kConsoleOutputUnit, "line");
    platform::writeAll(platform::standardError(), "after\n", 6);
    textio::run::endRun();
  }
  // close-never UNIT: closing a unit that was never opened, then "continued".
  if (command == "close-never" && argc >= 3) {
    textio::units::closeUnit(std::atoi(argv[2]));
    say("continued\n");
    textio::run::endRun();
  }
  // recursive: a statement on unit 15 while another statement on it runs.
  if (command == "recursive" && argc >= 3) {
    textio::units::openUnit(15, argv[2], "REPLACE");
    textio::units::Statement outer(15, StatementKind::Write);
    textio::units::Statement inner(15, StatementKind::Write);
    textio::run::endRun();
  }
  // alloc BYTES [already]: allocateBlock, then "null" or "block" and the normal end.
  if (command == "alloc" && argc >= 3) {
    const std::uint64_t bytes = std::strtoull(argv[2], nullptr, 10);
    auto* block = static_cast<char*>(textio::run::allocateBlock(bytes, argc >= 4));
    if (block != nullptr) {
      block[0] = 1;
      block[bytes - 1] = 1;
    }
    say(block == nullptr ? "null\n" : "block\n");
    textio::run::endRun();
  }
  // stop: stopRun with nothing open.
  if (command == "stop") textio::run::stopRun();
  // end: the normal end with nothing open.
  if (command == "end") textio::run::endRun();
  return usage();
}
