// The headings and the residue numbers of residue.txt.
#include "results/residue_file.h"

#include <algorithm>
#include <string>

#include "textio/freeform/free_form.h"
#include "textio/units/unit.h"

namespace results {

void writeResidueHeading(std::string_view frameSuffix) {
  const std::string heading = "[selected-residues" + std::string(frameSuffix) + "]";
  textio::freeform::writeList(kResidueUnit, {std::string_view(heading)});
}

void writeResidueFile(const selection::ResidueList& list, NumberLayout layout) {
  // A block of numbers at a time, written as a statement per number would write them.
  constexpr std::size_t kNumbersPerBlock = 4096;
  const NumberFormats formats;
  std::string text;
  for (std::size_t first = 0; first < list.size(); first += kNumbersPerBlock) {
    text.clear();
    const std::size_t end = std::min(list.size(), first + kNumbersPerBlock);
    for (std::size_t i = first; i < end; ++i) {
      const std::int32_t number = list[i];
      const int width = layout == NumberLayout::Wide ? std::max(6, decimalWidth(number)) : 6;
      const std::size_t at = text.size();
      text.resize(at + static_cast<std::size_t>(width));
      if (!formats.of(width).write(&number, text.data() + at)) {
        // Not a field the fast formatter takes: the statement writes it and any report.
        text.resize(at);
        textio::units::writeText(kResidueUnit, text);
        text.clear();
        writeInteger(kResidueUnit, number, width, textio::layouts::Advance::Yes);
        continue;
      }
      text += "\r\n";
    }
    textio::units::writeText(kResidueUnit, text);
  }
}

}  // namespace results
