// An atom table over records a test holds: the loader's block replaced by a vector.
#pragma once

#include <cstdint>
#include <vector>

#include "frames/atom_table.h"

namespace testsupport {

inline frames::AtomTable tableOf(std::vector<frames::AtomRecord>& records) {
  frames::AtomTable table;
  table.records = records.data();
  table.size = records.size();
  table.declaredCount = static_cast<std::int64_t>(records.size());
  return table;
}

}  // namespace testsupport
