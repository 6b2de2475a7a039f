// Helpers of the report tests: a text cut into its lines, and the routine column of a
// traceback frame line.
#pragma once

#include <cctype>
#include <cstddef>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The routine column of a frame line laid out as "%-17.17s  %8.8lX  %-17.17s  %10.10s  %s"
// with unknown line and source; nothing when the line has another layout.
inline std::optional<std::string> frameRoutine(const std::string& line) {
  if (line.size() < 17 + 2 + 8 || line.compare(17, 2, "  ") != 0) return std::nullopt;
  std::size_t digits = 0;
  while (19 + digits < line.size() &&
         std::isxdigit(static_cast<unsigned char>(line[19 + digits])) &&
         !std::islower(static_cast<unsigned char>(line[19 + digits]))) {
    ++digits;
  }
  if (digits < 8) return std::nullopt;
  const std::size_t routine = 19 + digits + 2;
  if (line.compare(routine - 2, 2, "  ") != 0) return std::nullopt;
  const std::string tail = "  " + std::string(3, ' ') + "Unknown  Unknown";
  if (line.size() != routine + 17 + tail.size() ||
      line.compare(routine + 17, tail.size(), tail) != 0) {
    return std::nullopt;
  }
  return line.substr(routine, 17);
}

}  // namespace testsupport
