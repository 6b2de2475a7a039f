// Name filters and region shapes: the per-atom tests both selection passes apply.
#include "selection/region.h"

#include <cmath>
#include <cstring>

namespace selection {
namespace {

constexpr char kWildcard[5] = {'a', 'n', 'y', ' ', ' '};

// The record's name left-justified equals the answer: the name after its k leading blanks
// matches the answer's first 5 - k characters, and the answer's last k are blanks. Same
// result as comparing adjustLeft of the name, without building it for every atom.
bool nameMatches(const char (&field)[5], const std::array<char, 5>& answer) {
  if (std::memcmp(answer.data(), kWildcard, sizeof kWildcard) == 0) return true;
  std::size_t blanks = 0;
  while (blanks < sizeof field && field[blanks] == ' ') ++blanks;
  const std::size_t kept = sizeof field - blanks;
  // Byte by byte: at most five, and a library call per atom would cost more than the test.
  for (std::size_t i = 0; i < kept; ++i) {
    if (field[blanks + i] != answer[i]) return false;
  }
  for (std::size_t i = kept; i < answer.size(); ++i) {
    if (answer[i] != ' ') return false;
  }
  return true;
}

// Strictly between: a NaN on either side makes it false.
bool between(double low, double value, double high) { return low < value && value < high; }

bool insideBox(double x, double y, double z, const std::array<float, 6>& b) {
  return between(b[0], x, b[1]) && between(b[2], y, b[3]) && between(b[4], z, b[5]);
}

bool insideBall(double x, double y, double z, const std::array<float, 4>& b) {
  const double dx = x - static_cast<double>(b[0]);
  const double dy = y - static_cast<double>(b[1]);
  const double dz = z - static_cast<double>(b[2]);
  const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
  return distance < static_cast<double>(b[3]);
}

bool insideCylinder(double x, double y, double z, const std::array<float, 5>& c) {
  const double dx = x - static_cast<double>(c[3]);
  const double dy = y - static_cast<double>(c[4]);
  const double distance = std::sqrt(dx * dx + dy * dy);
  return distance < static_cast<double>(c[0]) && between(c[1], z, c[2]);
}

}  // namespace

bool namesMatch(const frames::AtomRecord& record, const NameFilter& filter) {
  return nameMatches(record.atomName, filter.atomName) &&
         nameMatches(record.residueName, filter.residueName);
}

bool insideRegion(float x, float y, float z, std::int32_t shape, const ShapeParameters& params) {
  const double px = x;
  const double py = y;
  const double pz = z;
  switch (static_cast<RegionShape>(shape)) {
    case RegionShape::Box:
      return insideBox(px, py, pz, params.box);
    case RegionShape::InvertBox:
      return !insideBox(px, py, pz, params.box);
    case RegionShape::Ball:
      return insideBall(px, py, pz, params.ball);
    case RegionShape::InvertBall:
      return !insideBall(px, py, pz, params.ball);
    case RegionShape::Cylinder:
      return insideCylinder(px, py, pz, params.cylinder);
    case RegionShape::InvertCylinder:
      return !insideCylinder(px, py, pz, params.cylinder);
  }
  return false;
}

bool matches(const frames::AtomRecord& record, const NameFilter& filter, std::int32_t shape,
             const ShapeParameters& params) {
  return namesMatch(record, filter) && insideRegion(record.x, record.y, record.z, shape, params);
}

}  // namespace selection
