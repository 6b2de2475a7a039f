// Which atoms the user asked for: the two name filters and the six region shapes.
#pragma once

#include <array>
#include <cstdint>

#include "frames/atom_table.h"

namespace selection {

enum class RegionShape : std::int32_t {
  Box = 1,
  Ball = 2,
  InvertBox = 3,
  InvertBall = 4,
  Cylinder = 5,
  InvertCylinder = 6,
};

// The three parameter groups are kept apart: typing one shape's numbers leaves the others
// at 0 (the box group also feeds the last line of result.gro, whatever the shape).
struct ShapeParameters {
  // xmin, xmax, ymin, ymax, zmin, zmax
  std::array<float, 6> box{};
  // centre x, y, z, radius
  std::array<float, 4> ball{};
  // radius, zmin, zmax, axis x, axis y
  std::array<float, 5> cylinder{};
};

// The two name answers, exactly as typed: first five characters of their lines.
struct NameFilter {
  std::array<char, 5> atomName{' ', ' ', ' ', ' ', ' '};
  std::array<char, 5> residueName{' ', ' ', ' ', ' ', ' '};
};

// True when the record's left-justified atom and residue names equal the answers in all
// five bytes; an answer of exactly "any" and two blanks accepts every name.
bool namesMatch(const frames::AtomRecord& record, const NameFilter& filter);

// True when the position lies strictly inside the shape (or outside, for the inverted
// shapes). Arithmetic in double precision from the 32-bit values; a NaN compares false.
// A shape code outside 1..6 selects nothing.
bool insideRegion(float x, float y, float z, std::int32_t shape, const ShapeParameters& params);

// namesMatch, and the region test only when the names match.
bool matches(const frames::AtomRecord& record, const NameFilter& filter, std::int32_t shape,
             const ShapeParameters& params);

}  // namespace selection
