// Helpers of the unit-level tests: records written and read through statements, the working
// directory, the first report line of a child's output, and files made immutable with chattr.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "textio/units/unit.h"

namespace testsupport {

using textio::units::ReadStatus;
using textio::units::StatementKind;

inline std::string workingDirectory() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

inline void writeRecord(int unit, std::string_view text, bool pending = false) {
  textio::units::Statement statement(unit, StatementKind::Write);
  textio::units::UnitEntry& entry = statement.unit();
  entry.record += text;
  if (pending) {
    entry.pending = true;
  } else {
    textio::units::endRecord(entry);
  }
}

// Every line of the unit up to its end, and whether a second read after the end ends too.
inline std::vector<std::string> readAllLines(int unit) {
  std::vector<std::string> lines;
  textio::units::Statement statement(unit, StatementKind::Read);
  std::string_view line;
  for (;;) {
    ReadStatus status = textio::units::nextRecord(statement.unit(), line);
    if (status != ReadStatus::Ok) {
      EXPECT_EQ(status, ReadStatus::End);
      EXPECT_EQ(textio::units::nextRecord(statement.unit(), line), ReadStatus::End);
      return lines;
    }
    lines.emplace_back(line);
  }
}

// The first line of standard error: the report line (after a system line, the second).
inline std::string firstLine(const std::string& text) {
  return text.substr(0, text.find('\n') + 1);
}

// True when chattr could make the file immutable; the caller skips the test otherwise.
inline bool makeImmutable(const std::string& path) {
  const std::string command = "chattr +i '" + path + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

inline void makeMutable(const std::string& path) {
  const std::string command = "chattr -i '" + path + "' 2>/dev/null";
  [[maybe_unused]] int ignored = std::system(command.c_str());
}

}  // namespace testsupport
