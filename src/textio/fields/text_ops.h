// Operations on fixed-length, blank-padded texts (names, answers): moving a text to the
// left and comparing two texts that may differ only in their trailing blanks.
#pragma once

#include <span>
#include <string_view>

namespace textio::fields {

// Moves the text after its leading blanks (the blank character only, not a tab) to the
// start and fills the freed positions at the end with blanks. The length is unchanged.
void adjustLeft(std::span<char> text);

// True when the common prefix of a and b matches byte for byte (case-sensitive) and every
// remaining character of the longer text is a blank.
bool equalsPadded(std::string_view a, std::string_view b);

}  // namespace textio::fields
