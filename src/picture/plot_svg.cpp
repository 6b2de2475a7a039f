// SVG text of the selection picture. Density cells are drawn in cell units under one scale,
// a row's run of equally shaded cells as one rectangle, one path per shade, so that the size
// depends on the grid and never on the number of atoms.
#include "picture/plot_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "selection/passes.h"
#include "picture/plot_outline.h"

namespace selection {
namespace {

// Page layout in pixels: the extent's longest side is drawn this long in every picture.
constexpr double kLongestSidePixels = 360;
constexpr double kPageLeft = 70;
constexpr double kViewGap = 85;
constexpr double kPageRight = 30;
constexpr double kViewsTop = 130;
constexpr double kAxisRoom = 50;
constexpr double kMinimumWidth = 780;
constexpr double kArrowSpacing = 60;

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

bool outsideShape(std::int32_t shape) { return shape == 3 || shape == 4 || shape == 6; }

// Places a view's nm coordinates on the page: across to the right, up to the top.
struct ViewFrame {
  View view;
  ViewRect rect;
  double left = 0, top = 0, width = 0, height = 0;
  double scale = 0;  // pixels per nm
  double x(double across) const { return (across - rect.a0) * scale; }
  double y(double up) const { return (rect.u1 - up) * scale; }
};

const char* viewId(View view) {
  return view == View::Top ? "top" : view == View::Front ? "front" : "side";
}

const char* viewTitle(View view) {
  return view == View::Top     ? "Top: x across, y up"
         : view == View::Front ? "Front: x across, z up"
                               : "Side: y across, z up";
}

constexpr std::array<const char*, 3> kAxisNames = {"x", "y", "z"};

void appendDensity(std::string& out, const DensityGrid& grid,
                   const std::array<const char*, kLevels>& shades, double cellPixels) {
  const std::uint32_t largest = grid.largest();
  if (largest == 0) return;
  // Each cell's shade once (a logarithm per cell), then the runs of equal shades.
  std::vector<std::int8_t> levels(grid.counts.size());
  for (std::size_t i = 0; i < levels.size(); ++i) {
    levels[i] = static_cast<std::int8_t>(densityLevel(grid.counts[i], largest, kLevels));
  }
  std::array<std::string, kLevels> paths;
  for (int row = 0; row < grid.rows; ++row) {
    const std::string y = std::to_string(grid.rows - 1 - row);
    const std::int8_t* rowLevels = levels.data() + static_cast<std::size_t>(row) * grid.columns;
    int column = 0;
    while (column < grid.columns) {
      const int level = rowLevels[column];
      int end = column + 1;
      while (end < grid.columns && rowLevels[end] == level) ++end;
      if (level > 0) {
        // One rectangle in cell units: "M column row h run v1 h -run z".
        std::string& path = paths[level - 1];
        const std::string run = std::to_string(end - column);
        path += 'M';
        path += std::to_string(column);
        path += ' ';
        path += y;
        path += 'h';
        path += run;
        path += "v1h-";
        path += run;
        path += 'z';
      }
      column = end;
    }
  }
  char scale[40];
  std::snprintf(scale, sizeof scale, "%.6g", cellPixels);
  out += "<g transform=\"scale(" + std::string(scale) + ")\" shape-rendering=\"crispEdges\">\n";
  for (int level = 0; level < kLevels; ++level) {
    if (paths[level].empty()) continue;
    out += "<path fill=\"" + std::string(shades[level]) + "\" d=\"" + paths[level] + "\"/>\n";
  }
  out += "</g>\n";
}

// Appends a path command and its point: "M12.5 40".
void pathPoint(std::string& d, char command, double x, double y) {
  d += command;
  d += pixelText(x);
  d += ' ';
  d += pixelText(y);
}

// An arrow at the edge point (x, y) pointing outward along (dx, dy): the region goes on.
std::string arrow(double x, double y, double dx, double dy) {
  const double backX = x - 7 * dx, backY = y - 7 * dy;
  std::string d;
  pathPoint(d, 'M', x - 14 * dx, y - 14 * dy);
  pathPoint(d, 'L', x, y);
  pathPoint(d, 'M', backX - 5 * dy, backY + 5 * dx);
  pathPoint(d, 'L', x, y);
  pathPoint(d, 'L', backX + 5 * dy, backY - 5 * dx);
  return d;
}

bool anyCut(const std::array<ViewOutline, 3>& outlines) {
  return std::any_of(outlines.begin(), outlines.end(),
                     [](const ViewOutline& o) { return !o.cuts.empty(); });
}

void appendOutline(std::string& out, const ViewFrame& frame, const ViewOutline& outline) {
  if (outline.kind == ViewOutline::Kind::None) return;
  const std::string dash = outline.outside ? " stroke-dasharray=\"8 5\"" : "";
  out += "<g fill=\"none\" stroke=\"" + std::string(kBlue) + "\" stroke-width=\"2\">\n";
  if (outline.kind == ViewOutline::Kind::Circle) {
    out += "<circle cx=\"" + pixelText(frame.x(outline.centreA)) + "\" cy=\"" +
           pixelText(frame.y(outline.centreU)) + "\" r=\"" +
           pixelText(outline.radius * frame.scale) + "\" clip-path=\"url(#clip-" +
           viewId(frame.view) + ")\"" + dash + "/>\n";
  } else {
    std::string d;
    for (const OutlineSide& side : outline.sides) {
      pathPoint(d, 'M', frame.x(side.a0), frame.y(side.u0));
      pathPoint(d, 'L', frame.x(side.a1), frame.y(side.u1));
    }
    if (!d.empty()) out += "<path d=\"" + d + "\"" + dash + "/>\n";
  }
  std::string arrows;
  for (const CutStretch& cut : outline.cuts) {
    const bool vertical = cut.edge == Edge::Left || cut.edge == Edge::Right;
    const double from = vertical ? frame.y(cut.to) : frame.x(cut.from);
    const double to = vertical ? frame.y(cut.from) : frame.x(cut.to);
    const int count = std::max(1, static_cast<int>(std::lround((to - from) / kArrowSpacing)));
    for (int i = 0; i < count; ++i) {
      const double along = from + (i + 0.5) * (to - from) / count;
      switch (cut.edge) {
        case Edge::Left:
          arrows += arrow(0, along, -1, 0);
          break;
        case Edge::Right:
          arrows += arrow(frame.width, along, 1, 0);
          break;
        case Edge::Bottom:
          arrows += arrow(along, frame.height, 0, 1);
          break;
        case Edge::Top:
          arrows += arrow(along, 0, 0, -1);
          break;
      }
    }
  }
  if (!arrows.empty()) out += "<path d=\"" + arrows + "\"/>\n";
  out += "</g>\n";
}

void appendAxes(std::string& out, const ViewFrame& frame, double step) {
  const ViewAxes axes = axesOf(frame.view);
  const int decimals = tickDecimals(step);
  out += "<rect width=\"" + pixelText(frame.width) + "\" height=\"" + pixelText(frame.height) +
         "\" fill=\"none\" stroke=\"" + kInk + "\"/>\n";
  std::string ticks;
  std::string labels;
  for (long k = std::lround(std::ceil(frame.rect.a0 / step - 1e-9));
       k * step <= frame.rect.a1 + 1e-9 * step; ++k) {
    const std::string x = pixelText(frame.x(static_cast<double>(k) * step));
    ticks += "M" + x + " " + pixelText(frame.height) + "v5";
    labels += "<text x=\"" + x + "\" y=\"" + pixelText(frame.height + 18) +
              "\" text-anchor=\"middle\">" + fixedText(static_cast<double>(k) * step, decimals) +
              "</text>\n";
  }
  for (long k = std::lround(std::ceil(frame.rect.u0 / step - 1e-9));
       k * step <= frame.rect.u1 + 1e-9 * step; ++k) {
    const std::string y = pixelText(frame.y(static_cast<double>(k) * step));
    ticks += "M0 " + y + "h-5";
    labels += "<text x=\"-8\" y=\"" + pixelText(frame.y(static_cast<double>(k) * step) + 4) +
              "\" text-anchor=\"end\">" + fixedText(static_cast<double>(k) * step, decimals) +
              "</text>\n";
  }
  out += "<path stroke=\"" + std::string(kInk) + "\" d=\"" + ticks + "\"/>\n";
  out += "<g font-size=\"11\" fill=\"" + std::string(kInk) + "\">\n" + labels;
  out += "<text x=\"" + pixelText(frame.width / 2) + "\" y=\"" + pixelText(frame.height + 36) +
         "\" text-anchor=\"middle\">" + kAxisNames[axes.across] + " (nm)</text>\n";
  out += "<text transform=\"translate(-48 " + pixelText(frame.height / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">" + kAxisNames[axes.up] + " (nm)</text>\n";
  out += "</g>\n";
}

std::string countLine(const RunState& state, std::int64_t atoms) {
  return "selected: " + std::to_string(state.atomCounter) + " atoms in " +
         std::to_string(state.residues.size()) + " residues, of " + std::to_string(atoms) +
         " atoms in the file";
}

void appendSwatches(std::string& out, double x, double y,
                    const std::array<const char*, kLevels>& shades) {
  for (int i = 0; i < 3; ++i) {
    out += "<rect x=\"" + pixelText(x + 13 * i) + "\" y=\"" + pixelText(y - 11) +
           "\" width=\"13\" height=\"13\" fill=\"" +
           shades[static_cast<std::size_t>(i) * (kLevels - 1) / 2] + "\"/>\n";
  }
}

void appendLegend(std::string& out, double top, bool outside, bool cut) {
  out += "<g font-size=\"13\" fill=\"" + std::string(kInk) + "\">\n";
  appendSwatches(out, kPageLeft, top, kGrey);
  out += "<text x=\"" + pixelText(kPageLeft + 46) + "\" y=\"" + pixelText(top) +
         "\">all atoms (darker: more atoms in the cell)</text>\n";
  appendSwatches(out, kPageLeft + 360, top, kOrange);
  out += "<text x=\"" + pixelText(kPageLeft + 406) + "\" y=\"" + pixelText(top) +
         "\">selected atoms</text>\n";
  const double second = top + 22;
  out += "<path d=\"M" + pixelText(kPageLeft) + " " + pixelText(second - 5) + "h36\" stroke=\"" +
         kBlue + "\" stroke-width=\"2\"" + (outside ? " stroke-dasharray=\"8 5\"" : "") + "/>\n";
  out += "<text x=\"" + pixelText(kPageLeft + 46) + "\" y=\"" + pixelText(second) + "\">" +
         (outside ? "region outline (the selection lies outside it)" : "region outline") +
         "</text>\n";
  if (cut) {
    out += "<path d=\"" + arrow(kPageLeft + 396, second - 5, 1, 0) + "\" fill=\"none\" stroke=\"" +
           kBlue + "\" stroke-width=\"2\"/>\n";
    out += "<text x=\"" + pixelText(kPageLeft + 406) + "\" y=\"" + pixelText(second) +
           "\">the region goes on beyond the drawn area</text>\n";
  }
  out += "</g>\n";
}

// The page: one frame per view side by side at one scale, the region's outline in each, and
// the page's size with the legend's place below the tallest view.
struct Page {
  std::array<ViewFrame, 3> frames;
  std::array<ViewOutline, 3> outlines;
  double width = 0;
  double height = 0;
  double legendTop = 0;
};

Page layOutPage(const Extent& extent, double cellPixels, const RunState& state) {
  const double scale = cellPixels / extent.cell;
  Page page;
  double left = kPageLeft;
  double tallest = 0;
  for (View view : kViews) {
    const auto v = static_cast<std::size_t>(view);
    const ViewAxes axes = axesOf(view);
    ViewFrame& frame = page.frames[v];
    frame.view = view;
    frame.rect = viewRect(extent, view);
    frame.scale = scale;
    frame.left = left;
    frame.top = kViewsTop;
    frame.width = extent.cells[axes.across] * cellPixels;
    frame.height = extent.cells[axes.up] * cellPixels;
    left += frame.width + kViewGap;
    tallest = std::max(tallest, frame.height);
    page.outlines[v] = viewOutline(extent, view, state.shape, state.parameters);
  }
  page.width = std::max(kMinimumWidth, left - kViewGap + kPageRight);
  page.legendTop = kViewsTop + tallest + kAxisRoom + 12;
  page.height = page.legendTop + 40;
  return page;
}

// The document's start: the SVG element sized to the page, its title and description for
// readers that cannot see it, one clip path per view, and the caption lines on top.
void appendHeading(std::string& out, const Page& page, const std::string& file,
                   const std::string& region, const std::string& side, const RunState& state,
                   const PlotCaption& caption) {
  const std::array<ViewFrame, 3>& frames = page.frames;
  const double width = page.width;
  const double height = page.height;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + pixelText(width) + "\" height=\"" +
         pixelText(height) + "\" viewBox=\"0 0 " + pixelText(width) + " " + pixelText(height) +
         "\" role=\"img\" aria-labelledby=\"title desc\" font-family=\"DejaVu Sans, Verdana, "
         "sans-serif\">\n";
  out +=
      "<title id=\"title\">Atoms selected from " + file + " " + side + " " + region + "</title>\n";
  out += "<desc id=\"desc\">Three views of the atoms of " + file +
         " at one scale: from the top (x across, y up), the front (x across, z up) and the side "
         "(y across, z up). Grey cells: all atoms, darker where more lie. Orange cells: the "
         "selected atoms. Blue line: the outline of the region " +
         region + "; the selection lies " + side + " it. " + caseLine(state) + "; " +
         countLine(state, caption.atoms) + ".</desc>\n";
  out += "<defs>\n";
  for (const ViewFrame& frame : frames) {
    out += "<clipPath id=\"clip-" + std::string(viewId(frame.view)) + "\"><rect width=\"" +
           pixelText(frame.width) + "\" height=\"" + pixelText(frame.height) + "\"/></clipPath>\n";
  }
  out += "</defs>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  out += "<g fill=\"" + std::string(kInk) + "\">\n";
  out += "<text x=\"" + pixelText(kPageLeft) +
         "\" y=\"28\" font-size=\"17\" font-weight=\"bold\">" + file + "</text>\n";
  out += "<text x=\"" + pixelText(kPageLeft) + "\" y=\"52\" font-size=\"14\">region " + region +
         ", selecting " + side + " it</text>\n";
  out += "<text x=\"" + pixelText(kPageLeft) + "\" y=\"72\" font-size=\"14\">" + caseLine(state) +
         "</text>\n";
  out += "<text x=\"" + pixelText(kPageLeft) + "\" y=\"92\" font-size=\"14\">" +
         countLine(state, caption.atoms) + "</text>\n";
  out += "</g>\n";
}

std::string render(const SelectionDensity& density, const RunState& state,
                   const PlotCaption& caption) {
  const Extent& extent = density.extent();
  const int longestCells = *std::max_element(extent.cells.begin(), extent.cells.end());
  const double cellPixels = kLongestSidePixels / longestCells;

  const Page page = layOutPage(extent, cellPixels, state);
  const std::array<ViewFrame, 3>& frames = page.frames;
  const std::array<ViewOutline, 3>& outlines = page.outlines;

  const bool outside = outsideShape(state.shape);
  const std::string file = xmlText(caption.fileName);
  const std::string region = xmlText(caption.region.empty() ? regionText(state) : caption.region);
  const std::string side = outside ? "outside" : "inside";

  std::string out;
  out.reserve(64 * 1024);
  appendHeading(out, page, file, region, side, state, caption);

  const double step = tickStep(longestCells * extent.cell);
  for (const ViewFrame& frame : frames) {
    out += "<g id=\"" + std::string(viewId(frame.view)) + "\" transform=\"translate(" +
           pixelText(frame.left) + " " + pixelText(frame.top) + ")\">\n";
    out += "<text y=\"-12\" font-size=\"14\" font-weight=\"bold\" fill=\"" + std::string(kInk) +
           "\">" + viewTitle(frame.view) + "</text>\n";
    appendDensity(out, density.grid(Layer::All, frame.view), kGrey, cellPixels);
    appendDensity(out, density.grid(Layer::Selected, frame.view), kOrange, cellPixels);
    appendOutline(out, frame, outlines[static_cast<std::size_t>(frame.view)]);
    appendAxes(out, frame, step);
    out += "</g>\n";
  }
  appendLegend(out, page.legendTop, outside, anyCut(outlines));
  out += "</svg>\n";
  return out;
}

}  // namespace

std::string plotSvg(const SelectionDensity& density, const RunState& state,
                    const PlotCaption& caption, std::size_t sizeLimit) {
  std::string svg = render(density, state, caption);
  if (svg.size() < sizeLimit) return svg;
  // Cells that vary too much to join into runs: twice the edge until the picture fits.
  SelectionDensity coarse = density.coarsened();
  for (;;) {
    svg = render(coarse, state, caption);
    const Extent& extent = coarse.extent();
    if (svg.size() < sizeLimit ||
        *std::max_element(extent.cells.begin(), extent.cells.end()) <= 1) {
      return svg;
    }
    coarse = coarse.coarsened();
  }
}

std::string drawSelection(const AtomTable& table, const RunState& state,
                          const PlotCaption& caption) {
  SelectionDensity density(drawnExtent(coordinateBounds(table)));
  density.addAll(table);
  secondPass(table, state, [&density](const AtomRecord& record, std::int64_t, std::int32_t) {
    density.add(Layer::Selected, record.x, record.y, record.z);
  });
  PlotCaption withCount = caption;
  withCount.atoms = static_cast<std::int64_t>(table.size);
  return plotSvg(density, state, withCount);
}

}  // namespace selection
