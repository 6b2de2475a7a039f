// Name resolution for opens, the existence test and the console-unit file switch: the typed
// name trimmed and cut to 256 characters, the console and null device names, and otherwise
// the lexical absolute path.
#include "textio/files/names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace textio::files {

namespace {

struct DeviceName {
  std::string_view name;
  DeviceKind kind;
};

// The printer and serial names (PRN, COM1..4, LPT1..4, AUX, LINE) are ordinary file names on
// this platform, so only the console names and NUL are devices.
constexpr std::array kDeviceNames{
    DeviceName{"CON", DeviceKind::ConsoleOutput},
    DeviceName{"USER", DeviceKind::ConsoleOutput},
    DeviceName{"CONOUT$", DeviceKind::ConsoleOutput},
    DeviceName{"CONIN$", DeviceKind::ConsoleInput},
    DeviceName{"ERR", DeviceKind::StandardError},
    DeviceName{"NUL", DeviceKind::NullDevice},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The device a name stands for: the part before the last "." must be a device name. With a
// non-empty extension, names beginning with E, L or U and the two CONIN$/CONOUT$ names are
// ordinary files (ERR.LOG, USER.TXT, CONOUT$.TXT), while CON.TXT and NUL.GRO stay devices.
DeviceKind deviceOf(std::string_view name, std::string_view& base) {
  std::size_t dot = name.rfind('.');
  base = name.substr(0, dot);
  const bool hasExtension = dot != std::string_view::npos && dot + 1 < name.size();
  if (base.size() != 3 && base.size() != 4 && base.size() != 6 && base.size() != 7) {
    return DeviceKind::None;
  }
  for (const DeviceName& device : kDeviceNames) {
    if (!equalsIgnoringCase(base, device.name)) continue;
    if (hasExtension) {
      char first = static_cast<char>(std::toupper(static_cast<unsigned char>(base.front())));
      if (first == 'E' || first == 'L' || first == 'U') return DeviceKind::None;
      if (device.name == "CONOUT$" || device.name == "CONIN$") return DeviceKind::None;
    }
    return device.kind;
  }
  return DeviceKind::None;
}

}  // namespace

ResolvedName resolveName(std::string_view typed) {
  std::string_view name = typed.substr(0, std::min(typed.size(), kMaxResolvedName));
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
  if (name.empty()) return {};

  std::string_view base;
  if (DeviceKind kind = deviceOf(name, base); kind != DeviceKind::None) {
    return {std::string(base), true, kind};
  }
  // A name that cannot be made absolute, or whose absolute form is too long, is kept as typed.
  std::optional<std::string> absolute = platform::absolutePath(name);
  if (absolute && absolute->size() <= kMaxResolvedName) return {std::move(*absolute)};
  return {std::string(name)};
}

}  // namespace textio::files
