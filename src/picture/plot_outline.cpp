// Outlines of the region shapes in the three views, cut at the drawn extent.
#include "picture/plot_outline.h"

#include <algorithm>
#include <cmath>

namespace picture {
namespace {

bool finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Adds the stretch when it has length (a shape touching an edge in one point is not cut).
void addCut(std::vector<CutStretch>& cuts, Edge edge, double from, double to) {
  if (from < to) cuts.push_back({edge, from, to});
}

// A rectangle [a0, a1] x [u0, u1] of the region: its sides inside the view, and the view
// edges it crosses. A side on the view's edge is the region's own and is drawn.
void rectangleIn(const ViewRect& view, double a0, double a1, double u0, double u1,
                 ViewOutline& outline) {
  if (!finite({a0, a1, u0, u1}) || !(a0 < a1) || !(u0 < u1)) return;
  const double ca0 = std::max(a0, view.a0);
  const double ca1 = std::min(a1, view.a1);
  const double cu0 = std::max(u0, view.u0);
  const double cu1 = std::min(u1, view.u1);
  if (!(ca0 < ca1) || !(cu0 < cu1)) return;  // misses the drawn extent
  outline.kind = ViewOutline::Kind::Rectangle;
  if (a0 >= view.a0) {
    outline.sides.push_back({a0, cu0, a0, cu1});
  } else {
    addCut(outline.cuts, Edge::Left, cu0, cu1);
  }
  if (a1 <= view.a1) {
    outline.sides.push_back({a1, cu0, a1, cu1});
  } else {
    addCut(outline.cuts, Edge::Right, cu0, cu1);
  }
  if (u0 >= view.u0) {
    outline.sides.push_back({ca0, u0, ca1, u0});
  } else {
    addCut(outline.cuts, Edge::Bottom, ca0, ca1);
  }
  if (u1 <= view.u1) {
    outline.sides.push_back({ca0, u1, ca1, u1});
  } else {
    addCut(outline.cuts, Edge::Top, ca0, ca1);
  }
}

// The chord of the circle on the line `fixed` = value, clipped to [low, high].
void circleCut(std::vector<CutStretch>& cuts, Edge edge, double distance, double centre,
               double radius, double low, double high) {
  if (!(std::fabs(distance) < radius)) return;
  const double half = std::sqrt(radius * radius - distance * distance);
  addCut(cuts, edge, std::max(centre - half, low), std::min(centre + half, high));
}

void circleIn(const ViewRect& view, double ca, double cu, double r, ViewOutline& outline) {
  if (!finite({ca, cu, r}) || !(r > 0)) return;
  // Distance from the centre to the nearest point of the view.
  const double da = ca - std::clamp(ca, view.a0, view.a1);
  const double du = cu - std::clamp(cu, view.u0, view.u1);
  if (!(da * da + du * du < r * r)) return;  // misses the drawn extent
  outline.kind = ViewOutline::Kind::Circle;
  outline.centreA = ca;
  outline.centreU = cu;
  outline.radius = r;
  circleCut(outline.cuts, Edge::Left, view.a0 - ca, cu, r, view.u0, view.u1);
  circleCut(outline.cuts, Edge::Right, view.a1 - ca, cu, r, view.u0, view.u1);
  circleCut(outline.cuts, Edge::Bottom, view.u0 - cu, ca, r, view.a0, view.a1);
  circleCut(outline.cuts, Edge::Top, view.u1 - cu, ca, r, view.a0, view.a1);
}

}  // namespace

ViewRect viewRect(const Extent& extent, View view) {
  const ViewAxes axes = axesOf(view);
  return {extent.low[axes.across], extent.high[axes.across], extent.low[axes.up],
          extent.high[axes.up]};
}

ViewOutline viewOutline(const Extent& extent, View view, std::int32_t shape,
                        const selection::ShapeParameters& params) {
  const ViewRect rect = viewRect(extent, view);
  const ViewAxes axes = axesOf(view);
  ViewOutline outline;
  const auto& b = params.box;
  const auto& s = params.ball;
  const auto& c = params.cylinder;
  switch (static_cast<selection::RegionShape>(shape)) {
    case selection::RegionShape::InvertBox:
      outline.outside = true;
      [[fallthrough]];
    case selection::RegionShape::Box:
      rectangleIn(rect, b[2 * axes.across], b[2 * axes.across + 1], b[2 * axes.up],
                  b[2 * axes.up + 1], outline);
      break;
    case selection::RegionShape::InvertBall:
      outline.outside = true;
      [[fallthrough]];
    case selection::RegionShape::Ball:
      circleIn(rect, s[axes.across], s[axes.up], s[3], outline);
      break;
    case selection::RegionShape::InvertCylinder:
      outline.outside = true;
      [[fallthrough]];
    case selection::RegionShape::Cylinder: {
      // radius, zmin, zmax, axis x, axis y
      const double r = c[0];
      if (view == View::Top) {
        circleIn(rect, c[3], c[4], r, outline);
      } else {
        const double axis = view == View::Front ? c[3] : c[4];
        rectangleIn(rect, axis - r, axis + r, c[1], c[2], outline);
      }
      break;
    }
    default:
      return outline;
  }
  return outline;
}

}  // namespace picture
