// Connecting a unit's entry to a resolved name: the status and access words of an open, the
// report a refused open gives, and the connection a read or write makes at a unit's first use.
// Shared by statements and by open and close.
#pragma once

#include <string_view>

#include "platform/platform.h"
#include "textio/files/names.h"
#include "textio/units/unit_table.h"

namespace textio::units::detail {

enum class OpenStatus { Old, New, Scratch, Unknown, Replace };
enum class AccessMode { Sequential, Append };

// The words of an open: false for a word that is not one of them.
bool parseStatus(std::string_view word, OpenStatus& status);
// DIRECT and KEYED are accepted words; this layer has only sequential records for them.
bool parseAccess(std::string_view word, AccessMode& access);

// Connects an unconnected entry to a resolved name. On failure the entry is left unconnected.
Failure connect(UnitEntry& unit, const files::ResolvedName& resolved, OpenStatus status,
                AccessMode access, platform::Access wanted);

// First use of an unconnected unit by a read or write: the console units go to the standard
// streams (or to the files FOR_READ and FOR_PRINT name), other units to FORTn or fort.n.
void connectAtFirstUse(UnitEntry& unit);

}  // namespace textio::units::detail
