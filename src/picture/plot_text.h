// Numbers and words of the selection picture: pixel coordinates and tick labels as short
// texts, the tick step, text made safe for XML whatever its bytes, and the region as a short
// text when the caller has none.
#pragma once

#include <string>
#include <string_view>

#include "selection/run_state.h"

namespace picture {

// A pixel coordinate: one decimal, no trailing ".0", never "-0".
std::string pixelText(double value);

// The value with `decimals` decimals, never "-0" or "-0.0".
std::string fixedText(double value, int decimals);

// Tick step of 1, 2 or 5 times a power of ten, about six steps on `longest`.
double tickStep(double longest);

// Decimals that labels at multiples of `step` need (0 for steps of 1 and more).
int tickDecimals(double step);

// Text for an XML element or attribute: the five special characters escaped, bytes that are
// not well-formed UTF-8 and control characters (other than tab) as U+FFFD, so that any file
// name gives a well-formed document.
std::string xmlText(std::string_view text);

// "atom name OW, residue name SOL, whole residues: no", XML-safe: the caption's names line.
std::string caseLine(const selection::RunState& state);

// The region as a short text: "box 0,1,0,1,0,1" and the like.
std::string regionText(const selection::RunState& state);

}  // namespace picture
