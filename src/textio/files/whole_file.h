// A whole file written at once from text in memory (for results built as one text, such as
// the selection picture), with the platform's error code instead of a report, so that the
// caller decides what a failure means.
#pragma once

#include <string_view>

namespace textio::files {

// Creates the named file, which must not exist yet (EEXIST otherwise: a link planted under
// the name is never written through), with exactly `text`. Returns 0 or the platform's error
// code. A failed write can leave part of the text behind: write under a temporary name and
// rename it into place once complete.
int writeNewFile(std::string_view name, std::string_view text);

}  // namespace textio::files
