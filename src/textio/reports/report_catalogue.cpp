// The numbered report texts: a constant table sorted by the full 32-bit code, looked up by
// exact value. Only texts this tool can reach or whose wording is fixed are held; any other
// code reads "Message not found".
#include <algorithm>
#include <array>
#include <string_view>

#include "textio/reports/report_text.h"

namespace textio::reports {

namespace {

struct CatalogueEntry {
  ReportCode code;
  std::string_view text;
};

// Every template ends with carriage return and line feed; "%d" is the unit number and "%s"
// the file name (or the event word of 200), in that order.
constexpr std::array kReportCatalogue{
    CatalogueEntry{0, "operation completed successfully\r\n"},
    CatalogueEntry{errorCode(63), "output conversion error, unit %d, file %s\r\n"},
    CatalogueEntry{errorCode(200), "program aborting due to %s event\r\n"},
    CatalogueEntry{severeCode(9), "permission to access file denied, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(10), "cannot overwrite existing file, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(22), "input record too long, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(24), "end-of-file during read, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(28), "CLOSE error, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(29), "file not found, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(30), "open failure, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(38), "error during write, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(39), "error during read, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(40), "recursive I/O operation, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(41), "insufficient virtual memory\r\n"},
    CatalogueEntry{severeCode(42), "no such device, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(43), "file name specification error, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(59), "list-directed I/O syntax error, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(64), "input conversion error, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(66), "output statement overflows record, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(67), "input statement requires too much data, unit %d, file %s\r\n"},
    CatalogueEntry{severeCode(151), "allocatable array is already allocated\r\n"},
};

constexpr bool sortedByCode() {
  for (std::size_t i = 1; i < kReportCatalogue.size(); ++i) {
    if (kReportCatalogue[i - 1].code >= kReportCatalogue[i].code) return false;
  }
  return true;
}
static_assert(sortedByCode(), "the catalogue is searched by bisection");

}  // namespace

std::string_view reportTemplate(ReportCode code) {
  auto found = std::lower_bound(
      kReportCatalogue.begin(), kReportCatalogue.end(), code,
      [](const CatalogueEntry& entry, ReportCode wanted) { return entry.code < wanted; });
  if (found == kReportCatalogue.end() || found->code != code) return "Message not found\n";
  return found->text;
}

}  // namespace textio::reports
