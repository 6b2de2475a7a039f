// Frame times from titles. GROMACS puts "t=" between blanks after the title text; a name
// such as "cut=3" holds no time, so the "t" must begin a word.
#include "selection/frame_time.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace selection {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The length of the decimal number at the start of `text`, 0 when there is none.
std::size_t numberLength(std::string_view text) {
  std::size_t i = 0;
  const auto digitsFrom = [&] {
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = digitsFrom();
  if (i < text.size() && text[i] == '.') {
    ++i;
    digits += digitsFrom();
  }
  if (digits == 0) return 0;
  const std::size_t mantissa = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digitsFrom() == 0) i = mantissa;  // "1e" is the number 1 and a letter
  }
  return i;
}

}  // namespace

std::optional<double> titleTime(std::string_view title) {
  for (std::size_t at = title.find("t="); at != std::string_view::npos;
       at = title.find("t=", at + 1)) {
    if (at > 0 && !isBlank(title[at - 1])) continue;
    std::string_view rest = title.substr(at + 2);
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    const std::size_t length = numberLength(rest);
    if (length == 0) return std::nullopt;
    const std::string number(rest.substr(0, length));
    const double time = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(time)) return std::nullopt;
    return time;
  }
  return std::nullopt;
}

std::string timeText(double time) {
  char text[400];  // the widest double in %.3f has 309 digits before the point
  std::snprintf(text, sizeof text, "%.3f", time);
  std::string result(text);
  if (result == "-0.000") result.erase(0, 1);
  return result;
}

std::string frameSuffix(std::uint64_t index, std::optional<double> time) {
  std::string suffix = "_f" + std::to_string(index);
  if (time) suffix += "_t" + timeText(*time);
  return suffix;
}

}  // namespace selection
