// Name resolution: the name a unit is opened under, as the existence test and the console-unit
// file switch see it too. Needs only the platform, so the units stand on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace textio::files {

inline constexpr std::size_t kMaxResolvedName = 256;

// Name resolution: first 256 characters, blanks and trailing NULs removed, device names,
// then the absolute path (lexical). `device` is set when the name is a device name.
enum class DeviceKind { None, ConsoleOutput, ConsoleInput, StandardError, NullDevice };
struct ResolvedName {
  std::string name;
  bool device = false;
  DeviceKind deviceKind = DeviceKind::None;  // which device, when `device` is set
};
ResolvedName resolveName(std::string_view typed);

}  // namespace textio::files
