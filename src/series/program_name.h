// The program's name and version, as the series' heading and the command line's messages and
// --version show them.
#pragma once

#include <string_view>

namespace series {

inline constexpr std::string_view kProgramName = "gro-region";
inline constexpr std::string_view kVersion = "1.0.0";

}  // namespace series
