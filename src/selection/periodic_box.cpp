// Box lines, nearest periodic images and the per-frame move of the atoms to them.
#include "selection/periodic_box.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>
#include <vector>

#include "platform/crew.h"
#include "textio/freeform/typed_text.h"

namespace selection {
namespace {

// Atoms per part of the move: enough to be worth a thread.
constexpr std::size_t kAtomsPerPart = 1 << 16;
// A box is flat when its volume is below this share of the product of its vectors' lengths
// (0.71 for a dodecahedron, 1 for a rectangular box).
constexpr double kFlatShare = 1e-6;
// The reduction of the vectors ends in a handful of steps for any box that is not flat; this
// only bounds it against rounding.
constexpr int kMostReductionSteps = 1000;
// Lattice coefficients tried per vector in the search: the reduced vectors need at most a few.
constexpr int kMostCounts = 64;
// Box lines are shown in messages up to this many characters.
constexpr std::size_t kShownBoxLine = 80;

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void subtractScaled(Vector3& a, double factor, const Vector3& b) {
  for (std::size_t i = 0; i < 3; ++i) a[i] -= factor * b[i];
}

// Gram-Schmidt: vector i less its parts along the vectors before it.
std::array<Vector3, 3> orthogonalised(const std::array<Vector3, 3>& vectors) {
  std::array<Vector3, 3> result = vectors;
  for (std::size_t i = 1; i < 3; ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      subtractScaled(result[i], dot(vectors[i], result[j]) / dot(result[j], result[j]), result[j]);
    }
  }
  return result;
}

// Lenstra-Lenstra-Lovasz reduction (delta 0.99): the same lattice from short, nearly
// orthogonal vectors, so that the search around the first guess stays a few steps whatever
// the box's skew.
std::array<Vector3, 3> reducedVectors(std::array<Vector3, 3> vectors) {
  constexpr double kDelta = 0.99;
  std::size_t k = 1;
  for (int step = 0; k < 3 && step < kMostReductionSteps; ++step) {
    const std::array<Vector3, 3> ortho = orthogonalised(vectors);
    for (std::size_t j = k; j-- > 0;) {
      const double mu = dot(vectors[k], ortho[j]) / dot(ortho[j], ortho[j]);
      if (std::abs(mu) > 0.5) subtractScaled(vectors[k], std::round(mu), vectors[j]);
    }
    const double mu = dot(vectors[k], ortho[k - 1]) / dot(ortho[k - 1], ortho[k - 1]);
    if (dot(ortho[k], ortho[k]) >= (kDelta - mu * mu) * dot(ortho[k - 1], ortho[k - 1])) {
      ++k;
    } else {
      std::swap(vectors[k], vectors[k - 1]);
      k = k > 1 ? k - 1 : 1;
    }
  }
  return vectors;
}

// Calls visit(k) for each integer k with |centre - k * unit| <= radius (unit > 0); nothing
// when the range is not finite or implausibly wide (coordinates far beyond any box).
template <typename Visit>
void forCoefficients(double centre, double radius, double unit, Visit&& visit) {
  const double low = std::ceil((centre - radius) / unit);
  const double high = std::floor((centre + radius) / unit);
  if (!(high - low < kMostCounts)) return;
  const int count = static_cast<int>(high - low);
  for (int n = 0; n <= count; ++n) visit(low + n);
}

std::string shownLine(std::string_view line) {
  if (line.size() <= kShownBoxLine) return textio::freeform::quoted(line);
  return textio::freeform::quoted(std::string(line.substr(0, kShownBoxLine)) + "...");
}

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One number of a box line: the whole token, finite. A leading '+' is taken too.
std::optional<double> boxNumber(std::string_view token) {
  if (token.size() > 1 && token.front() == '+' && token[1] != '-') token.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

double determinant(const std::array<Vector3, 3>& v) {
  return v[0][0] * (v[1][1] * v[2][2] - v[1][2] * v[2][1]) -
         v[0][1] * (v[1][0] * v[2][2] - v[1][2] * v[2][0]) +
         v[0][2] * (v[1][0] * v[2][1] - v[1][1] * v[2][0]);
}

}  // namespace

BoxLineRead readPeriodicBox(std::string_view line) {
  std::vector<double> numbers;
  for (std::size_t i = 0; i < line.size();) {
    if (isSeparator(line[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < line.size() && !isSeparator(line[end])) ++end;
    const std::string_view token = line.substr(i, end - i);
    const std::optional<double> number = boxNumber(token);
    if (!number) {
      return {std::nullopt, "the box line " + shownLine(line) + " holds " + shownLine(token) +
                                ", which is not a number"};
    }
    numbers.push_back(*number);
    i = end;
  }
  if (numbers.empty()) return {std::nullopt, "the box line is empty"};
  if (numbers.size() != 3 && numbers.size() != 9) {
    return {std::nullopt, "the box line " + shownLine(line) + " holds " +
                              std::to_string(numbers.size()) + " numbers, not 3 or 9"};
  }
  numbers.resize(9, 0.0);
  PeriodicBox box;
  // v1x v2y v3z v1y v1z v2x v2z v3x v3y
  box.vectors[0] = {numbers[0], numbers[3], numbers[4]};
  box.vectors[1] = {numbers[5], numbers[1], numbers[6]};
  box.vectors[2] = {numbers[7], numbers[8], numbers[2]};
  const double lengths = std::sqrt(dot(box.vectors[0], box.vectors[0])) *
                         std::sqrt(dot(box.vectors[1], box.vectors[1])) *
                         std::sqrt(dot(box.vectors[2], box.vectors[2]));
  if (!(std::abs(determinant(box.vectors)) > kFlatShare * lengths)) {
    return {std::nullopt, "the box " + shownLine(line) + " has no volume"};
  }
  return {box, {}};
}

NearestImage::NearestImage(const PeriodicBox& box) {
  const auto& v = box.vectors;
  rectangular_ =
      v[0][1] == 0 && v[0][2] == 0 && v[1][0] == 0 && v[1][2] == 0 && v[2][0] == 0 && v[2][1] == 0;
  if (rectangular_) {
    lengths_ = {v[0][0], v[1][1], v[2][2]};
    return;
  }
  reduced_ = reducedVectors(v);
  const std::array<Vector3, 3> ortho = orthogonalised(reduced_);
  for (std::size_t i = 0; i < 3; ++i) {
    const double length = std::sqrt(dot(ortho[i], ortho[i]));
    for (std::size_t j = 0; j < 3; ++j) frame_[i][j] = ortho[i][j] / length;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j <= i; ++j) lower_[i][j] = dot(reduced_[i], frame_[j]);
  }
  const double shortest = std::min({lower_[0][0], lower_[1][1], lower_[2][2]});
  sureRadiusSquared_ = shortest * shortest / 4 * (1 - 1e-9);
}

bool NearestImage::shiftFor(const Vector3& d, Vector3& shift) const {
  if (!std::isfinite(d[0]) || !std::isfinite(d[1]) || !std::isfinite(d[2])) return false;
  return rectangular_ ? rectangularShift(d, shift) : triclinicShift(d, shift);
}

// Orthogonal vectors: each coordinate on its own.
bool NearestImage::rectangularShift(const Vector3& d, Vector3& shift) const {
  bool moved = false;
  for (std::size_t i = 0; i < 3; ++i) {
    const double count = std::round(d[i] / lengths_[i]);
    shift[i] = count * lengths_[i];
    moved = moved || count != 0;
  }
  return moved;
}

// In the frame where the reduced vectors are lower-triangular, coefficient 2 alone sets the
// third coordinate, 1 and 2 the second. A first guess rounds them in that order; then every
// lattice vector within the guess's distance is visited, level by level, and the nearest
// kept (a sphere search: exact, and short because the vectors are reduced).
bool NearestImage::triclinicShift(const Vector3& d, Vector3& shift) const {
  const Vector3 t = {dot(d, frame_[0]), dot(d, frame_[1]), dot(d, frame_[2])};
  const auto& l = lower_;
  Vector3 best;
  best[2] = std::round(t[2] / l[2][2]);
  best[1] = std::round((t[1] - best[2] * l[2][1]) / l[1][1]);
  best[0] = std::round((t[0] - best[2] * l[2][0] - best[1] * l[1][0]) / l[0][0]);
  const auto distance = [&](const Vector3& k) {
    const double z = t[2] - k[2] * l[2][2];
    const double y = t[1] - k[2] * l[2][1] - k[1] * l[1][1];
    const double x = t[0] - k[2] * l[2][0] - k[1] * l[1][0] - k[0] * l[0][0];
    return x * x + y * y + z * z;
  };
  double nearest = distance(best);
  // No other lattice vector lies within the shortest one's length of the guess, and none is
  // shorter than the shortest Gram-Schmidt length: a guess nearer than half of that is it.
  if (nearest < sureRadiusSquared_) return apply(best, shift);
  // A little slack, so that rounding never drops the guess itself from the search.
  const double bound = nearest * (1 + 1e-9);
  forCoefficients(t[2], std::sqrt(bound), l[2][2], [&](double k2) {
    const double z = t[2] - k2 * l[2][2];
    const double left2 = bound - z * z;
    if (left2 < 0) return;
    const double y0 = t[1] - k2 * l[2][1];
    forCoefficients(y0, std::sqrt(left2), l[1][1], [&](double k1) {
      const double y = y0 - k1 * l[1][1];
      const double left1 = left2 - y * y;
      if (left1 < 0) return;
      const double x0 = t[0] - k2 * l[2][0] - k1 * l[1][0];
      forCoefficients(x0, std::sqrt(left1), l[0][0], [&](double k0) {
        const Vector3 k = {k0, k1, k2};
        if (const double here = distance(k); here < nearest) {
          nearest = here;
          best = k;
        }
      });
    });
  });
  return apply(best, shift);
}

bool NearestImage::apply(const Vector3& counts, Vector3& shift) const {
  for (std::size_t i = 0; i < 3; ++i) {
    shift[i] = counts[0] * reduced_[0][i] + counts[1] * reduced_[1][i] + counts[2] * reduced_[2][i];
  }
  return counts[0] != 0 || counts[1] != 0 || counts[2] != 0;
}

Vector3 regionCentre(const RunState& state) {
  const auto middle = [](float low, float high) {
    return (static_cast<double>(low) + static_cast<double>(high)) / 2;
  };
  const ShapeParameters& p = state.parameters;
  switch (static_cast<RegionShape>(state.shape)) {
    case RegionShape::Box:
    case RegionShape::InvertBox:
      return {middle(p.box[0], p.box[1]), middle(p.box[2], p.box[3]), middle(p.box[4], p.box[5])};
    case RegionShape::Ball:
    case RegionShape::InvertBall:
      return {p.ball[0], p.ball[1], p.ball[2]};
    case RegionShape::Cylinder:
    case RegionShape::InvertCylinder:
      return {p.cylinder[3], p.cylinder[4], middle(p.cylinder[1], p.cylinder[2])};
  }
  return {0, 0, 0};
}

BoxLineRead periodicBoxOf(const std::optional<std::string>& boxLine) {
  if (!boxLine)
    return {std::nullopt, "the box line is missing (the file ends after the atom lines)"};
  return readPeriodicBox(*boxLine);
}

NearestImageMover::NearestImageMover(const PeriodicBox& box, const RunState& state)
    : images_(box), centre_(regionCentre(state)) {}

void NearestImageMover::move(frames::AtomRecord* records, std::size_t count) const {
  const platform::PartPlan plan = platform::planParts(count, kAtomsPerPart, 1);
  platform::runParts(plan.parts, [&](unsigned part) {
    for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
      frames::AtomRecord& record = records[i];
      const Vector3 d = {record.x - centre_[0], record.y - centre_[1], record.z - centre_[2]};
      Vector3 shift;
      if (!images_.shiftFor(d, shift)) continue;
      record.x = static_cast<float>(record.x - shift[0]);
      record.y = static_cast<float>(record.y - shift[1]);
      record.z = static_cast<float>(record.z - shift[2]);
    }
  });
}

std::optional<std::string> takeNearestImages(frames::AtomTable& table,
                                             const std::optional<std::string>& boxLine,
                                             const RunState& state) {
  const BoxLineRead read = periodicBoxOf(boxLine);
  if (!read.box) return read.problem;
  NearestImageMover(*read.box, state).move(table.records, table.size);
  table.marked = false;  // the marks were set where the atoms were read
  return std::nullopt;
}

std::string periodicBoxError(std::string_view shownFile, std::size_t frame,
                             std::string_view problem) {
  return "--pbc: " + textio::freeform::quoted(shownFile) + ", frame " + std::to_string(frame) +
         ": " + std::string(problem);
}

}  // namespace selection
