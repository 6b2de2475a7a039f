// Periodic boxes (--pbc): a .gro frame's box line read as three box vectors, and the move of
// every atom of a frame to its periodic image nearest to the region's centre, so that the
// region tests, the writers, whole residues and the picture all see those images unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "frames/atom_table.h"
#include "selection/run_state.h"

namespace selection {

using Vector3 = std::array<double, 3>;

// The box vectors v1, v2, v3 in nm, as rows.
struct PeriodicBox {
  std::array<Vector3, 3> vectors{};
};

// A box line read: the box, or why it cannot be one ("the box line '3 3' holds 2 numbers, not
// 3 or 9"). The line holds 3 numbers (v1x v2y v3z: a rectangular box) or 9, in the order
// GROMACS writes them: v1x v2y v3z v1y v1z v2x v2z v3x v3y, separated by blanks. A box whose
// volume is zero, or negligible against its vectors' lengths (a flat box), is refused.
struct BoxLineRead {
  std::optional<PeriodicBox> box;
  std::string problem;
};
BoxLineRead readPeriodicBox(std::string_view line);

// Finds, for an offset d from a point, the lattice vector L of the box that makes d - L the
// shortest (Euclidean). Exact for any box of nonzero volume: triclinic boxes are first
// reduced to short, nearly orthogonal vectors, then every lattice vector that could be
// nearer than the first guess is tried. Equally near vectors may give either.
class NearestImage {
 public:
  explicit NearestImage(const PeriodicBox& box);
  // Sets `shift` to L and returns true, or returns false when L is zero (or d is not finite,
  // whose images are all the same).
  bool shiftFor(const Vector3& d, Vector3& shift) const;

 private:
  bool rectangularShift(const Vector3& d, Vector3& shift) const;
  bool triclinicShift(const Vector3& d, Vector3& shift) const;
  bool apply(const Vector3& counts, Vector3& shift) const;

  bool rectangular_ = false;
  Vector3 lengths_{};                 // rectangular: the three side lengths
  std::array<Vector3, 3> reduced_{};  // triclinic: the reduced vectors, in x, y, z
  std::array<Vector3, 3> frame_{};    // orthonormal frame in which the reduced vectors form
  std::array<Vector3, 3> lower_{};    // this lower-triangular matrix (row i: vector i)
  double sureRadiusSquared_ = 0;      // a first guess this near is the nearest
};

// The point every atom's image is taken nearest to: a box region's middle, a ball's centre,
// a cylinder's axis point at half its height. The inverted shapes have their plain shape's.
Vector3 regionCentre(const RunState& state);

// The box of a frame's box line (nullopt: the file ended before it), or the problem.
BoxLineRead periodicBoxOf(const std::optional<std::string>& boxLine);

// Moves records to their images nearest to the region's centre, in place: a record whose
// image is itself keeps its floats bit for bit; velocities, names and numbers never change.
class NearestImageMover {
 public:
  NearestImageMover(const PeriodicBox& box, const RunState& state);
  // On every core for many records.
  void move(frames::AtomRecord* records, std::size_t count) const;

 private:
  NearestImage images_;
  Vector3 centre_;
};

// The periodic step of one frame: reads `boxLine` (nullopt: the file ended before it) and
// moves every record of `table` to its image nearest to the region's centre, in place, on
// every core. A record whose image is itself keeps its floats bit for bit; velocities, names
// and numbers never change. Returns nullopt on success, else the problem with the box (the
// table is then untouched); periodicBoxError makes the run's error line of it.
std::optional<std::string> takeNearestImages(frames::AtomTable& table,
                                             const std::optional<std::string>& boxLine,
                                             const RunState& state);

// The error line (without the program name) for a frame whose box cannot be used: the file
// as the user named it, the frame's index (0 for a single frame) and the problem.
std::string periodicBoxError(std::string_view shownFile, std::size_t frame,
                             std::string_view problem);

}  // namespace selection
