// Outlines of the region in the three views: which shape, its sides within the drawn extent,
// and the stretches of the view's edges where the region goes on beyond it.
#include "picture/plot_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace picture {
namespace {

// x 0..1, y 0..2, z 0..3: every axis has its own length, so a mixed-up axis shows.
Extent drawn() {
  Extent extent;
  extent.cell = 0.1;
  extent.cells = {10, 20, 30};
  extent.high = {1, 2, 3};
  return extent;
}

using Side = std::tuple<double, double, double, double>;
using Cut = std::tuple<Edge, double, double>;

struct Case {
  const char* what;
  std::int32_t shape;
  selection::ShapeParameters params;
  View view;
  ViewOutline::Kind kind;
  std::vector<Side> sides;  // a0, u0, a1, u1
  std::vector<Cut> cuts;
  double circle[3];  // centre across, centre up, radius
};

selection::ShapeParameters box(float x0, float x1, float y0, float y1, float z0, float z1) {
  selection::ShapeParameters p;
  p.box = {x0, x1, y0, y1, z0, z1};
  return p;
}
selection::ShapeParameters ball(float x, float y, float z, float r) {
  selection::ShapeParameters p;
  p.ball = {x, y, z, r};
  return p;
}
selection::ShapeParameters cylinder(float r, float z0, float z1, float x, float y) {
  selection::ShapeParameters p;
  p.cylinder = {r, z0, z1, x, y};
  return p;
}

using K = ViewOutline::Kind;

TEST(ViewOutline, ShapesInEachView) {
  const double chord = std::sqrt(0.2 * 0.2 - 0.1 * 0.1);  // ball of 0.2 whose centre is 0.1 in
  const Case cases[] = {
      {"box top",
       1,
       box(0.25f, 0.5f, 0.5f, 1.5f, 1, 2),
       View::Top,
       K::Rectangle,
       {{0.25, 0.5, 0.25, 1.5}, {0.5, 0.5, 0.5, 1.5}, {0.25, 0.5, 0.5, 0.5}, {0.25, 1.5, 0.5, 1.5}},
       {},
       {}},
      {"box side",
       1,
       box(0.25f, 0.5f, 0.5f, 1.5f, 1, 2),
       View::Side,
       K::Rectangle,
       {{0.5, 1, 0.5, 2}, {1.5, 1, 1.5, 2}, {0.5, 1, 1.5, 1}, {0.5, 2, 1.5, 2}},
       {},
       {}},
      {"slab from the top: open all round",
       1,
       box(-99, 99, -99, 99, 1, 2),
       View::Top,
       K::Rectangle,
       {},
       {{Edge::Left, 0, 2}, {Edge::Right, 0, 2}, {Edge::Bottom, 0, 1}, {Edge::Top, 0, 1}},
       {}},
      {"slab from the front",
       1,
       box(-99, 99, -99, 99, 1, 2),
       View::Front,
       K::Rectangle,
       {{0, 1, 1, 1}, {0, 2, 1, 2}},
       {{Edge::Left, 1, 2}, {Edge::Right, 1, 2}},
       {}},
      {"side on the view's edge is drawn",
       1,
       box(0, 0.5f, 0, 1, -5, 1),
       View::Front,
       K::Rectangle,
       {{0, 0, 0, 1}, {0.5, 0, 0.5, 1}, {0, 1, 0.5, 1}},
       {{Edge::Bottom, 0, 0.5}},
       {}},
      {"inverted box is dashed, same outline",
       3,
       box(0.25f, 0.5f, -9, 9, 1, 2),
       View::Front,
       K::Rectangle,
       {{0.25, 1, 0.25, 2}, {0.5, 1, 0.5, 2}, {0.25, 1, 0.5, 1}, {0.25, 2, 0.5, 2}},
       {},
       {}},
      {"box beyond the atoms", 1, box(2, 3, 0, 1, 0, 1), View::Top, K::None, {}, {}, {}},
      {"empty box", 1, box(0.5f, 0.25f, 0, 1, 0, 1), View::Top, K::None, {}, {}, {}},
      {"box with NaN", 1, box(0, std::nanf(""), 0, 1, 0, 1), View::Front, K::None, {}, {}, {}},
      {"ball top", 2, ball(0.5f, 1, 1.5f, 0.25f), View::Top, K::Circle, {}, {}, {0.5, 1, 0.25}},
      {"ball front",
       2,
       ball(0.5f, 1, 1.5f, 0.25f),
       View::Front,
       K::Circle,
       {},
       {},
       {0.5, 1.5, 0.25}},
      {"ball side", 2, ball(0.5f, 1, 1.5f, 0.25f), View::Side, K::Circle, {}, {}, {1, 1.5, 0.25}},
      {"ball over the left edge",
       2,
       ball(0.1f, 1, 1.5f, 0.2f),
       View::Top,
       K::Circle,
       {},
       {{Edge::Left, 1 - chord, 1 + chord}},
       {0.1, 1, 0.2}},
      {"ball round everything",
       4,
       ball(0.5f, 1, 1.5f, 100),
       View::Side,
       K::Circle,
       {},
       {{Edge::Left, 0, 3}, {Edge::Right, 0, 3}, {Edge::Bottom, 0, 2}, {Edge::Top, 0, 2}},
       {1, 1.5, 100}},
      {"ball beyond a corner", 2, ball(1.2f, 2.2f, 0, 0.25f), View::Top, K::None, {}, {}, {}},
      {"cylinder top",
       5,
       cylinder(0.25f, 1, 2, 0.5f, 1),
       View::Top,
       K::Circle,
       {},
       {},
       {0.5, 1, 0.25}},
      {"cylinder front",
       5,
       cylinder(0.25f, 1, 2, 0.5f, 1),
       View::Front,
       K::Rectangle,
       {{0.25, 1, 0.25, 2}, {0.75, 1, 0.75, 2}, {0.25, 1, 0.75, 1}, {0.25, 2, 0.75, 2}},
       {},
       {}},
      {"cylinder side, through the top",
       6,
       cylinder(0.25f, 1, 99, 0.5f, 1),
       View::Side,
       K::Rectangle,
       {{0.75, 1, 0.75, 3}, {1.25, 1, 1.25, 3}, {0.75, 1, 1.25, 1}},
       {{Edge::Top, 0.75, 1.25}},
       {}},
      {"no such shape", 7, ball(0.5f, 1, 1.5f, 0.25f), View::Top, K::None, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const ViewOutline outline = viewOutline(drawn(), c.view, c.shape, c.params);
    EXPECT_EQ(outline.kind, c.kind) << c.what;
    EXPECT_EQ(outline.outside, c.shape == 3 || c.shape == 4 || c.shape == 6) << c.what;
    std::vector<Side> sides;
    for (const OutlineSide& s : outline.sides) sides.emplace_back(s.a0, s.u0, s.a1, s.u1);
    std::vector<Side> expectedSides = c.sides;
    std::sort(sides.begin(), sides.end());
    std::sort(expectedSides.begin(), expectedSides.end());
    ASSERT_EQ(sides.size(), expectedSides.size()) << c.what;
    for (std::size_t i = 0; i < sides.size(); ++i) {
      EXPECT_NEAR(std::get<0>(sides[i]), std::get<0>(expectedSides[i]), 1e-6) << c.what;
      EXPECT_NEAR(std::get<1>(sides[i]), std::get<1>(expectedSides[i]), 1e-6) << c.what;
      EXPECT_NEAR(std::get<2>(sides[i]), std::get<2>(expectedSides[i]), 1e-6) << c.what;
      EXPECT_NEAR(std::get<3>(sides[i]), std::get<3>(expectedSides[i]), 1e-6) << c.what;
    }
    ASSERT_EQ(outline.cuts.size(), c.cuts.size()) << c.what;
    for (const Cut& expected : c.cuts) {
      const auto found =
          std::find_if(outline.cuts.begin(), outline.cuts.end(), [&](const CutStretch& s) {
            return s.edge == std::get<0>(expected) &&
                   std::fabs(s.from - std::get<1>(expected)) < 1e-6 &&
                   std::fabs(s.to - std::get<2>(expected)) < 1e-6;
          });
      EXPECT_NE(found, outline.cuts.end()) << c.what << ": edge " << int(std::get<0>(expected));
    }
    if (c.kind == K::Circle) {
      EXPECT_NEAR(outline.centreA, c.circle[0], 1e-6) << c.what;
      EXPECT_NEAR(outline.centreU, c.circle[1], 1e-6) << c.what;
      EXPECT_NEAR(outline.radius, c.circle[2], 1e-6) << c.what;
    }
  }
}

}  // namespace
}  // namespace picture
