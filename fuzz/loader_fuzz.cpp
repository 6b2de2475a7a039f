// Fuzzing harness for the coordinate-file loader: the input is a whole .gro file, loaded into
// the atom table as the tool loads it. An unreadable title or count line ends the run with
// its report; otherwise the table must hold no more records than the count announced and the
// file has atom lines.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "frames/atom_table.h"
#include "frames/table_loader.h"
#include "harness_support.h"
#include "textio/units/unit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::prepareHarness();
  fuzzing::writeScratchFile("in.gro", data, size);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Lines of the file, the last one without line feed counted too.
  const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) +
                            (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
  const int status = fuzzing::runGuarded([&] {
    // The file name as the dialogue holds it: 80 characters, blank-padded.
    const frames::AtomTable table = frames::load(
        "in.gro                                                                          ");
    fuzzing::require(table.declaredCount > 0 || table.size == 0,
                     "records loaded for a count below 1");
    fuzzing::require(
        table.size <= static_cast<std::uint64_t>(std::max<std::int64_t>(table.declaredCount, 0)),
        "more records than the count announced");
    fuzzing::require(table.size + 2 <= std::max<std::size_t>(lines, 2),
                     "more records than the file has atom lines");
    fuzzing::require(table.size == 0 || table.records != nullptr, "records without a block");
    textio::units::closeUnit(frames::kCoordinateUnit);
  });
  // 24: no title or count line; 64: a count that is not a number.
  fuzzing::require(status == fuzzing::kReturned || status == 24 || status == 64,
                   "the loader ended the run with an unexpected status");
  return 0;
}
