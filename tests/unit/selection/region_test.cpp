// Region shapes and name filters: faces, spheres, mantles and end planes, NaN, degenerate
// parameters, and the name rules (left-justified record, answer as typed, "any").
#include "selection/region.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "textio/fields/text_ops.h"

namespace selection {
namespace {

frames::AtomRecord atomNamed(const char* residue5, const char* atom5) {
  frames::AtomRecord record{};
  std::memcpy(record.residueName, residue5, 5);
  std::memcpy(record.atomName, atom5, 5);
  return record;
}

NameFilter filter(const char* atom5, const char* residue5) {
  NameFilter f;
  std::memcpy(f.atomName.data(), atom5, 5);
  std::memcpy(f.residueName.data(), residue5, 5);
  return f;
}

struct NameCase {
  const char* recordResidue;
  const char* recordAtom;
  const char* answerAtom;
  const char* answerResidue;
  bool expected;
};

TEST(NamesMatch, FollowsTheAnswerRules) {
  const NameCase cases[] = {
      {"SOL  ", "   OW", "OW   ", "SOL  ", true},   // right-justified name, answer as typed
      {"SOL  ", "  OW1", "OW   ", "SOL  ", false},  // OW1 is another name
      {"SOL  ", "   OW", "ow   ", "SOL  ", false},  // case-sensitive
      {"SOL  ", "   OW", " OW  ", "SOL  ", false},  // a typed leading blank never matches
      {"SOL  ", "   OW", "any  ", "any  ", true},   // wildcard on both
      {"LIG  ", "   C1", "any  ", "SOL  ", false},  // wildcard atom, residue still decides
      {"SOL  ", "   OW", "ANY  ", "SOL  ", false},  // ANY is a name
      {"SOL  ", "   OW", " any ", "SOL  ", false},  // any after a blank is a name
      {"ANY  ", "  ANY", "ANY  ", "ANY  ", true},   // ... which matches atoms named ANY
      {"SOL  ", "     ", "     ", "SOL  ", true},   // empty answer matches blank names only
      {"SOL  ", "   OW", "     ", "SOL  ", false},
      {"  SOL", "   OW", "OW   ", "SOL  ", true},    // residue name left-justified too
      {"SOL  ", "\tOW  ", "OW   ", "SOL  ", false},  // a tab is not a blank
      {"SOL  ", "\tOW  ", "\tOW  ", "SOL  ", true},
      {"SOL  ", "HW1  ", "any  ", "any  ", true},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(
        namesMatch(atomNamed(c.recordResidue, c.recordAtom), filter(c.answerAtom, c.answerResidue)),
        c.expected)
        << "record '" << c.recordResidue << "' '" << c.recordAtom << "' answers '" << c.answerAtom
        << "' '" << c.answerResidue << "'";
  }
}

// Every name and answer over a small alphabet: the match equals a byte comparison of the
// answer with adjustLeft of the record's name (the wildcard aside).
TEST(NamesMatch, AgreesWithAdjustLeftOnEveryShortName) {
  const char alphabet[] = {' ', 'O', 'W', '\t'};
  auto nameOf = [&](int code, char* out) {
    for (int i = 0; i < 5; ++i, code /= 4) out[i] = alphabet[code % 4];
  };
  int mismatches = 0;
  for (int n = 0; n < 1024; ++n) {
    char name[5];
    nameOf(n, name);
    char justified[5];
    std::memcpy(justified, name, 5);
    textio::fields::adjustLeft(std::span<char>(justified));
    for (int a = 0; a < 1024; ++a) {
      char answer[5];
      nameOf(a, answer);
      const bool expected = std::memcmp(justified, answer, 5) == 0;
      const bool got = namesMatch(atomNamed("SOL  ", name), filter(answer, "SOL  "));
      if (got != expected) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct RegionCase {
  const char* what;
  std::int32_t shape;  // the plain shape (1, 2 or 5); its inverse is checked as well
  float x, y, z;
  bool insidePlain;
};

ShapeParameters unitBoxBallCylinder() {
  ShapeParameters p;
  p.box = {0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f};
  p.ball = {0.0f, 0.0f, 0.0f, 1.0f};
  p.cylinder = {1.0f, 0.0f, 2.0f, 0.0f, 0.0f};  // r 1, z 0..2, axis at x 0, y 0
  return p;
}

TEST(InsideRegion, StrictComparisonsAndInverses) {
  const RegionCase cases[] = {
      {"box centre", 1, 0.5f, 0.5f, 0.5f, true},
      {"box face x=1", 1, 1.0f, 0.5f, 0.5f, false},
      {"box face x=0", 1, 0.0f, 0.5f, 0.5f, false},
      {"box face y=1", 1, 0.5f, 1.0f, 0.5f, false},
      {"box face z=0", 1, 0.5f, 0.5f, 0.0f, false},
      {"box just inside x", 1, std::nextafter(1.0f, 0.0f), 0.5f, 0.5f, true},
      {"box outside", 1, 2.0f, 0.5f, 0.5f, false},
      {"box NaN x", 1, kNaN, 0.5f, 0.5f, false},
      {"ball on sphere", 2, 1.0f, 0.0f, 0.0f, false},
      {"ball inside", 2, 0.5f, 0.5f, 0.5f, true},
      {"ball on sphere y", 2, 0.0f, -1.0f, 0.0f, false},
      {"ball just inside", 2, std::nextafter(1.0f, 0.0f), 0.0f, 0.0f, true},
      {"ball 0.6f,0.8f,0 (the floats lie just beyond 0.6 and 0.8)", 2, 0.6f, 0.8f, 0.0f, false},
      {"ball NaN z", 2, 0.0f, 0.0f, kNaN, false},
      {"cylinder inside", 5, 0.5f, 0.0f, 1.0f, true},
      {"cylinder on mantle", 5, 0.0f, 1.0f, 1.0f, false},
      {"cylinder on lower end plane", 5, 0.0f, 0.0f, 0.0f, false},
      {"cylinder on upper end plane", 5, 0.0f, 0.0f, 2.0f, false},
      {"cylinder above", 5, 0.0f, 0.0f, 2.5f, false},
      {"cylinder far from axis", 5, 3.0f, 0.0f, 1.0f, false},
      {"cylinder NaN y", 5, 0.0f, kNaN, 1.0f, false},
  };
  const ShapeParameters p = unitBoxBallCylinder();
  for (const RegionCase& c : cases) {
    EXPECT_EQ(insideRegion(c.x, c.y, c.z, c.shape, p), c.insidePlain) << c.what;
    const std::int32_t inverse = c.shape == 5 ? 6 : c.shape + 2;
    EXPECT_EQ(insideRegion(c.x, c.y, c.z, inverse, p), !c.insidePlain) << c.what << " inverted";
  }
}

TEST(InsideRegion, BallDistanceIsComputedInDoubleFromTheFloats) {
  // 0.6f and 0.8f are not exactly 0.6 and 0.8; the distance follows from their exact values.
  ShapeParameters p;
  const double dx = 0.6f;
  const double dy = 0.8f;
  const double distance = std::sqrt(dx * dx + dy * dy);
  p.ball = {0.0f, 0.0f, 0.0f, static_cast<float>(distance)};
  const bool expected = distance < static_cast<double>(static_cast<float>(distance));
  EXPECT_EQ(insideRegion(0.6f, 0.8f, 0.0f, 2, p), expected);
}

TEST(InsideRegion, DegenerateParameters) {
  ShapeParameters p;
  p.box = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f};  // xmin > xmax
  EXPECT_FALSE(insideRegion(0.5f, 0.5f, 0.5f, 1, p));
  EXPECT_TRUE(insideRegion(0.5f, 0.5f, 0.5f, 3, p));
  p.box = {0.5f, 0.5f, 0.0f, 1.0f, 0.0f, 1.0f};  // xmin == xmax
  EXPECT_FALSE(insideRegion(0.5f, 0.5f, 0.5f, 1, p));
  p.ball = {0.0f, 0.0f, 0.0f, 0.0f};  // radius 0
  EXPECT_FALSE(insideRegion(0.0f, 0.0f, 0.0f, 2, p));
  EXPECT_TRUE(insideRegion(0.0f, 0.0f, 0.0f, 4, p));
  p.ball = {0.0f, 0.0f, 0.0f, -1.0f};  // negative radius
  EXPECT_FALSE(insideRegion(0.0f, 0.0f, 0.0f, 2, p));
  p.cylinder = {5.0f, 1.0f, 1.0f, 0.0f, 0.0f};  // zmin == zmax
  EXPECT_FALSE(insideRegion(0.0f, 0.0f, 1.0f, 5, p));
  EXPECT_TRUE(insideRegion(0.0f, 0.0f, 1.0f, 6, p));
  EXPECT_TRUE(insideRegion(0.0f, 0.0f, 7.0f, 6, p));
}

TEST(InsideRegion, ShapesOutsideOneToSixSelectNothing) {
  const ShapeParameters p = unitBoxBallCylinder();
  for (std::int32_t shape : {0, 7, -1, 100, std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_FALSE(insideRegion(0.5f, 0.5f, 0.5f, shape, p)) << shape;
    EXPECT_FALSE(insideRegion(kNaN, kNaN, kNaN, shape, p)) << shape;
  }
}

TEST(InsideRegion, NoPeriodicImages) {
  ShapeParameters p;
  p.box = {-99.0f, 99.0f, -99.0f, 99.0f, 1.0f, 2.5f};
  EXPECT_TRUE(insideRegion(-50.0f, 80.0f, 2.0f, 1, p));
  EXPECT_FALSE(insideRegion(-50.0f, 80.0f, 2.5f, 1, p));
  EXPECT_FALSE(insideRegion(150.0f, 0.0f, 2.0f, 1, p));
}

TEST(Matches, RegionOnlyDecidesWhenTheNamesMatch) {
  const ShapeParameters p = unitBoxBallCylinder();
  const frames::AtomRecord inside = [] {
    frames::AtomRecord r = atomNamed("SOL  ", "   OW");
    r.x = r.y = r.z = 0.5f;
    return r;
  }();
  EXPECT_TRUE(matches(inside, filter("OW   ", "SOL  "), 1, p));
  EXPECT_FALSE(matches(inside, filter("HW1  ", "SOL  "), 1, p));
  EXPECT_FALSE(matches(inside, filter("HW1  ", "SOL  "), 3, p));  // names fail: no inverse either
  EXPECT_FALSE(matches(inside, filter("OW   ", "SOL  "), 3, p));
}

}  // namespace
}  // namespace selection
