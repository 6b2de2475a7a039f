// Periodic boxes: box lines read or refused, the nearest image against a brute-force search
// over lattice vectors in rectangular, GROMACS-shaped and badly skewed boxes, and the
// per-frame move of a table (unshifted records bit for bit; tests/scripts/periodic_box.sh
// checks the shifted ones for every shape on the real tool).
#include "selection/periodic_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "table_views.h"

namespace selection {
namespace {

struct BoxLineCase {
  const char* line;
  // The vectors' nine components row by row when read; empty problem expected then.
  std::array<double, 9> vectors;
  const char* problem;  // a part of the problem text, or nullptr when the box is read
};

TEST(ReadPeriodicBox, TakesThreeOrNineNumbersAndRefusesTheRest) {
  const BoxLineCase cases[] = {
      {"   3.00000   4.00000   5.00000", {3, 0, 0, 0, 4, 0, 0, 0, 5}, nullptr},
      {"3 4 5\r", {3, 0, 0, 0, 4, 0, 0, 0, 5}, nullptr},  // CR LF file
      // GROMACS order: v1x v2y v3z v1y v1z v2x v2z v3x v3y.
      {" 1 2 3 4 5 6 7 8 9", {1, 4, 5, 6, 2, 7, 8, 9, 3}, nullptr},
      {"\t+3.5e0  4 5", {3.5, 0, 0, 0, 4, 0, 0, 0, 5}, nullptr},
      {"", {}, "the box line is empty"},
      {"    \r", {}, "the box line is empty"},
      {"3 4", {}, "holds 2 numbers, not 3 or 9"},
      {"1 2 3 4 5 6", {}, "holds 6 numbers, not 3 or 9"},
      {"3 4 5 0 0 0 0 0 0 0", {}, "holds 10 numbers, not 3 or 9"},
      {"3 4 abc", {}, "holds 'abc', which is not a number"},
      {"3 4 5x", {}, "holds '5x', which is not a number"},
      {"3 4 nan", {}, "holds 'nan', which is not a number"},
      {"3 inf 4", {}, "holds 'inf', which is not a number"},
      {"3 4 1e999", {}, "holds '1e999', which is not a number"},
      {"3,4,5", {}, "holds '3,4,5', which is not a number"},
      {"0 0 0", {}, "the box '0 0 0' has no volume"},
      {"3 0 5", {}, "has no volume"},
      // A flat triclinic box: v3 lies in the plane of v1 and v2.
      {"3 3 0 0 0 1 0 1 1", {}, "has no volume"},
  };
  for (const BoxLineCase& c : cases) {
    const BoxLineRead read = readPeriodicBox(c.line);
    if (c.problem == nullptr) {
      ASSERT_TRUE(read.box) << c.line << ": " << read.problem;
      for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(read.box->vectors[i / 3][i % 3], c.vectors[i]) << c.line << " component " << i;
      }
    } else {
      EXPECT_FALSE(read.box) << c.line;
      EXPECT_NE(read.problem.find(c.problem), std::string::npos) << c.line << ": " << read.problem;
    }
  }
}

TEST(ReadPeriodicBox, ShowsALongLineCut) {
  const BoxLineRead read = readPeriodicBox(std::string(500, '7') + " x");
  EXPECT_LT(read.problem.size(), 250u);
  EXPECT_NE(read.problem.find("...'"), std::string::npos);
}

double lengthSquared(const Vector3& v) { return v[0] * v[0] + v[1] * v[1] + v[2] * v[2]; }

// The lattice coefficients of a vector: the solution of c * B = v, by Cramer's rule.
Vector3 coefficients(const PeriodicBox& box, const Vector3& v) {
  const auto det = [](const Vector3& a, const Vector3& b, const Vector3& c) {
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
           a[2] * (b[0] * c[1] - b[1] * c[0]);
  };
  const auto& b = box.vectors;
  const double whole = det(b[0], b[1], b[2]);
  return {det(v, b[1], b[2]) / whole, det(b[0], v, b[2]) / whole, det(b[0], b[1], v) / whole};
}

// The nearest lattice vector's distance by trying every coefficient within `reach` of the
// point's own (rounded) coefficients.
double bruteForceNearest(const PeriodicBox& box, const Vector3& d, int reach) {
  const Vector3 own = coefficients(box, d);
  double nearest = std::numeric_limits<double>::infinity();
  for (int a = -reach; a <= reach; ++a) {
    for (int b = -reach; b <= reach; ++b) {
      for (int c = -reach; c <= reach; ++c) {
        const double k[3] = {std::round(own[0]) + a, std::round(own[1]) + b,
                             std::round(own[2]) + c};
        Vector3 r = d;
        for (std::size_t i = 0; i < 3; ++i) {
          for (std::size_t j = 0; j < 3; ++j) r[i] -= k[j] * box.vectors[j][i];
        }
        nearest = std::min(nearest, lengthSquared(r));
      }
    }
  }
  return nearest;
}

struct LatticeCase {
  const char* name;
  const char* line;
  int reach;
};

TEST(NearestImage, IsTheNearestLatticeVectorInEveryKindOfBox) {
  const LatticeCase cases[] = {
      {"rectangular", "3 4 5", 2},
      {"cubic, negative side", "-3 3 3", 2},
      // gmx editconf -bt dodecahedron -d: the xy-square and the xy-hexagon forms.
      {"dodecahedron", "4 4 2.82843 0 0 0 0 2 2", 3},
      {"hexagonal dodecahedron", "4 3.4641 3.26599 0 0 2 0 2 1.1547", 3},
      {"octahedron", "4 3.77124 3.26599 0 0 1.33333 0 -1.33333 1.88562", 3},
      // Within GROMACS' limits: |v2x|, |v3x| <= v1x/2 and |v3y| <= v2y/2, leaning every way.
      {"skewed", "3 2.8 3.2 0 0 1.4 0 -1.45 1.3", 3},
      // Far outside them: long, nearly parallel vectors that only the reduction makes short.
      {"badly skewed", "3 2.5 1.7 0 0 7.1 0 -5.2 9.3", 12},
      // Not lower-triangular (GROMACS never writes these, but they are boxes).
      {"rotated", "3 3 3 0.5 -0.4 0.3 0.2 0.7 -0.6", 3},
  };
  std::mt19937_64 random(26);
  std::uniform_real_distribution<double> spread(-2.5, 2.5);
  for (const LatticeCase& c : cases) {
    const BoxLineRead read = readPeriodicBox(c.line);
    ASSERT_TRUE(read.box) << c.name << ": " << read.problem;
    const NearestImage images(*read.box);
    for (int point = 0; point < 300; ++point) {
      Vector3 d{};
      for (std::size_t j = 0; j < 3; ++j) {
        const double f = spread(random);
        for (std::size_t i = 0; i < 3; ++i) d[i] += f * read.box->vectors[j][i];
      }
      Vector3 shift{0, 0, 0};
      const bool moved = images.shiftFor(d, shift);
      if (!moved) shift = {0, 0, 0};
      const Vector3 k = coefficients(*read.box, shift);
      for (double coefficient : k) {
        EXPECT_NEAR(coefficient, std::round(coefficient), 1e-9)
            << c.name << ": not a lattice shift";
      }
      EXPECT_TRUE(!moved || k[0] != 0 || k[1] != 0 || k[2] != 0) << c.name << ": zero shift";
      const Vector3 image = {d[0] - shift[0], d[1] - shift[1], d[2] - shift[2]};
      EXPECT_NEAR(lengthSquared(image), bruteForceNearest(*read.box, d, c.reach), 1e-9)
          << c.name << " point " << point;
    }
  }
}

TEST(NearestImage, LeavesPointsThatAreNotFiniteAlone) {
  for (const char* line : {"3 4 5", "4 4 2.82843 0 0 0 0 2 2"}) {
    const NearestImage images(*readPeriodicBox(line).box);
    Vector3 shift;
    EXPECT_FALSE(images.shiftFor({std::nan(""), 9, 9}, shift)) << line;
    EXPECT_FALSE(images.shiftFor({9, std::numeric_limits<double>::infinity(), 9}, shift)) << line;
  }
}

frames::AtomRecord atomAt(float x, float y, float z) {
  frames::AtomRecord record{};
  record.residueNumber = 7;
  std::memcpy(record.residueName, "SOL  ", 5);
  std::memcpy(record.atomName, "   OW", 5);
  record.atomNumber = 21;
  record.x = x;
  record.y = y;
  record.z = z;
  record.vx = -0.0f;
  record.vy = 0.25f;
  record.vz = -1.5f;
  return record;
}

TEST(TakeNearestImages, KeepsUnshiftedRecordsBitForBitAndABadBoxTouchesNothing) {
  // Centre (1.4, 1.9, 2.4): no atom is as far as half a side from it on any axis.
  RunState state;
  state.shape = static_cast<std::int32_t>(RegionShape::Ball);
  state.parameters.ball = {1.4f, 1.9f, 2.4f, 1};
  std::vector<frames::AtomRecord> records{atomAt(-0.0f, 0.1f, 4.8f), atomAt(1.5f, -0.0f, 0.3f),
                                          atomAt(std::nanf(""), 9, 9)};
  records.resize(200000, atomAt(0.123f, 2.999f, -0.0f));  // several parts
  const std::vector<frames::AtomRecord> before = records;
  frames::AtomTable table = testsupport::tableOf(records);
  for (const std::optional<std::string>& bad :
       {std::optional<std::string>(), std::optional<std::string>("3 4"),
        std::optional<std::string>("3 4 0")}) {
    EXPECT_TRUE(takeNearestImages(table, bad, state));
    EXPECT_EQ(
        std::memcmp(records.data(), before.data(), records.size() * sizeof(frames::AtomRecord)), 0);
  }
  EXPECT_EQ(*takeNearestImages(table, std::nullopt, state),
            "the box line is missing (the file ends after the atom lines)");
  ASSERT_FALSE(takeNearestImages(table, std::string("3 4 5"), state));
  EXPECT_EQ(std::memcmp(records.data(), before.data(), records.size() * sizeof(frames::AtomRecord)),
            0)
      << "every atom is nearest to the centre as it stands";
}

TEST(PeriodicBoxError, NamesTheFileTheFrameAndTheProblem) {
  EXPECT_EQ(periodicBoxError("in.gro", 3, "the box line is empty"),
            "--pbc: 'in.gro', frame 3: the box line is empty");
}

}  // namespace
}  // namespace selection
