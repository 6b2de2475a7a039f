// Frame times from titles. GROMACS puts "t=" between blanks after the title text; a name
// such as "cut=3" holds no time, so the "t" must begin a word.
#include "frames/frame_time.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "textio/freeform/typed_text.h"

namespace frames {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<double> titleTime(std::string_view title) {
  for (std::size_t at = title.find("t="); at != std::string_view::npos;
       at = title.find("t=", at + 1)) {
    if (at > 0 && !isBlank(title[at - 1])) continue;
    std::string_view rest = title.substr(at + 2);
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    const std::size_t length = textio::freeform::decimalNumberLength(rest);
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

}  // namespace frames
