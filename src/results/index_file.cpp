// The heading and the row end of list.ndx.
#include "results/index_file.h"

#include <string>

#include "textio/freeform/free_form.h"
#include "textio/units/unit.h"

namespace results {

void writeIndexHeading(std::string_view frameSuffix) {
  if (frameSuffix.empty()) {
    textio::freeform::writeList(kIndexUnit, {std::string_view("[selected-atoms]")});
    return;
  }
  const std::string heading = "[selected-atoms" + std::string(frameSuffix) + "]";
  textio::freeform::writeList(kIndexUnit, {std::string_view(heading)});
}

void endIndexRow() {
  textio::units::Statement statement(kIndexUnit, textio::units::StatementKind::Write);
  if (statement.unit().pending) textio::units::endRecord(statement.unit());
}

}  // namespace results
