// Fuzzing harness for fixed-layout reads: the input (after byte 0) is a file on unit 10, read
// line by line through every input layout of the tool, (I5), (I5,2A5,I5,3F8.3,3F8.4) and (A5),
// with and without the end and error returns. Every atom record read is written back through
// the same layout, whose line must then be exactly 68 columns.
#include <cstddef>
#include <cstdint>
#include <span>

#include "harness_support.h"
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/units/unit.h"

namespace {

constexpr int kInputUnit = 10;
constexpr int kOutputUnit = 15;

struct Atom {
  std::int32_t residueNumber = 0;
  char residueName[5] = {' ', ' ', ' ', ' ', ' '};
  char atomName[5] = {' ', ' ', ' ', ' ', ' '};
  std::int32_t atomNumber = 0;
  float x = 0, y = 0, z = 0, vx = 0, vy = 0, vz = 0;
};

// One read statement through the layout chosen by `choice`; its status.
int readOne(unsigned choice, textio::layouts::ReturnOnEnd onEnd,
            textio::layouts::ReturnOnError onError) {
  namespace L = textio::layouts;
  switch (choice % 3) {
    case 0: {
      std::int32_t count = 0;
      return textio::layouts::readFixed(kInputUnit, L::kI5, {&count}, onEnd, onError);
    }
    case 1: {
      char name[5];
      return textio::layouts::readFixed(kInputUnit, L::kA5, {std::span<char>(name)}, onEnd,
                                        onError);
    }
    default: {
      Atom a;
      const int status = textio::layouts::readFixed(
          kInputUnit, L::kAtomLine,
          {&a.residueNumber, std::span<char>(a.residueName), std::span<char>(a.atomName),
           &a.atomNumber, &a.x, &a.y, &a.z, &a.vx, &a.vy, &a.vz},
          onEnd, onError);
      if (status != 0) return status;
      textio::layouts::writeFixed(
          kOutputUnit, L::kAtomLine,
          {a.residueNumber, std::string_view(a.residueName, 5), std::string_view(a.atomName, 5),
           a.atomNumber, a.x, a.y, a.z, a.vx, a.vy, a.vz},
          textio::layouts::Advance::No);
      const textio::units::UnitEntry* out = textio::units::findUnit(kOutputUnit);
      fuzzing::require(out != nullptr && out->record.size() == 68,
                       "an atom line was not written in exactly 68 columns");
      textio::freeform::writeList(kOutputUnit, {});
      return 0;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::prepareHarness();
  if (size == 0) return 0;
  const unsigned choice = data[0];
  fuzzing::writeScratchFile("in.gro", data + 1, size - 1);
  // Bit 0: the end and error returns of the atom-line read; without them, every failure is a
  // severe report, which ends the run.
  const bool returns = (choice & 1) != 0;
  const auto onEnd = returns ? textio::layouts::ReturnOnEnd::Yes : textio::layouts::ReturnOnEnd::No;
  const auto onError =
      returns ? textio::layouts::ReturnOnError::Yes : textio::layouts::ReturnOnError::No;
  const int status = fuzzing::runGuarded([&] {
    textio::units::openUnit(kInputUnit, "in.gro", "OLD", "SEQUENTIAL");
    textio::units::openUnit(kOutputUnit, "NUL", "REPLACE");
    for (unsigned n = 0; n < 4096; ++n) {
      // Bits 1-2 pick a fixed layout, or (3) walk through all three in turn.
      const unsigned layout = ((choice >> 1) & 3) == 3 ? n : (choice >> 1) & 3;
      const int read = readOne(layout, onEnd, onError);
      if (read == -1) break;
      fuzzing::require(read == 0 || read == 64 || read == 39,
                       "a fixed-layout read returned a status it cannot have");
    }
    textio::units::closeUnit(kOutputUnit);
    textio::units::closeUnit(kInputUnit);
  });
  fuzzing::require(status == fuzzing::kReturned || fuzzing::expectedStatus(status),
                   "the run ended with an unexpected status");
  fuzzing::require(status == fuzzing::kReturned || !returns || status == 0,
                   "a read with end and error returns ended the run");
  return 0;
}
