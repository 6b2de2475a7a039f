// One view of the selection picture drawn as SVG: where its nm coordinates fall on the page,
// a density map in shades of one colour, the region's outline with the arrows where it goes
// on, and the axes with their ticks. plot_svg.h lays the views out on the page.
#pragma once

#include <array>
#include <string>

#include "picture/plot_grid.h"
#include "picture/plot_outline.h"

namespace picture {

// Shades from few atoms to many: grey for all atoms, Okabe-Ito orange to vermillion for the
// selection and Okabe-Ito blue for the outline, told apart with the common colour-vision
// deficiencies.
constexpr int kLevels = 6;
constexpr std::array<const char*, kLevels> kGrey = {"#d9d9d9", "#bdbdbd", "#a0a0a0",
                                                    "#828282", "#636363", "#444444"};
constexpr std::array<const char*, kLevels> kOrange = {"#e8a317", "#e69f00", "#e08a00",
                                                      "#db7800", "#d86a00", "#d55e00"};
constexpr const char* kBlue = "#0072b2";
constexpr const char* kInk = "#222222";

// Places a view's nm coordinates on the page: across to the right, up to the top.
struct ViewFrame {
  View view;
  ViewRect rect;
  double left = 0, top = 0, width = 0, height = 0;
  double scale = 0;  // pixels per nm
  double x(double across) const { return (across - rect.a0) * scale; }
  double y(double up) const { return (rect.u1 - up) * scale; }
};

// The view's id and title in the picture.
const char* viewId(View view);
const char* viewTitle(View view);

// The cells of `grid`, each in the shade of its count (few atoms light, many dark).
void appendDensity(std::string& out, const DensityGrid& grid,
                   const std::array<const char*, kLevels>& shades, double cellPixels);

// The path of an arrow at the edge point (x, y) pointing outward along (dx, dy): the region
// goes on.
std::string arrow(double x, double y, double dx, double dy);

// True when the outline goes on beyond the drawn extent in some view.
bool anyCut(const std::array<ViewOutline, 3>& outlines);

// The region's outline in the view, dashed for an inverted shape, with its arrows.
void appendOutline(std::string& out, const ViewFrame& frame, const ViewOutline& outline);

// The view's frame, its axis names and its ticks every `step` nm.
void appendAxes(std::string& out, const ViewFrame& frame, double step);

}  // namespace picture
