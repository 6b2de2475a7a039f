// The region's outline in one view of the selection picture, cut at the drawn extent: the
// box as a rectangle, the ball as a circle, the cylinder as a circle from the top and a
// rectangle from the front and the side, and the stretches of the view's edges where the
// region goes on beyond what is drawn (drawn as outward arrows, never as a closing line).
#pragma once

#include <cstdint>
#include <vector>

#include "picture/plot_grid.h"
#include "selection/region.h"

namespace picture {

// A rectangle of a view in nm: `across` from a0 to a1, `up` from u0 to u1.
struct ViewRect {
  double a0 = 0, a1 = 0, u0 = 0, u1 = 0;
};

// The drawn extent as seen in a view.
ViewRect viewRect(const Extent& extent, View view);

// A straight piece of the outline (view coordinates, nm).
struct OutlineSide {
  double a0, u0, a1, u1;
};

enum class Edge { Left, Right, Bottom, Top };

// A stretch of a view edge inside the region's outline: the region goes on beyond it.
// `from` and `to` run along the edge (the up coordinate on Left and Right, the across
// coordinate on Bottom and Top).
struct CutStretch {
  Edge edge;
  double from, to;
};

struct ViewOutline {
  enum class Kind { None, Rectangle, Circle };
  Kind kind = Kind::None;          // None: the shape is empty, not finite, or misses the view
  bool outside = false;            // shapes 3, 4, 6: the selection lies outside the outline
  std::vector<OutlineSide> sides;  // rectangle: its sides that lie within the view
  double centreA = 0, centreU = 0, radius = 0;  // circle: drawn clipped to the view
  std::vector<CutStretch> cuts;
};

// The outline of shape 1..6 with its parameters in the view; Kind::None for other shapes.
ViewOutline viewOutline(const Extent& extent, View view, std::int32_t shape,
                        const selection::ShapeParameters& params);

}  // namespace picture
