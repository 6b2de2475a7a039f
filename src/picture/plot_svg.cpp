// SVG text of the selection picture. Density cells are drawn in cell units under one scale,
// a row's run of equally shaded cells as one rectangle, one path per shade, so that the size
// depends on the grid and never on the number of atoms.
#include "picture/plot_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "picture/plot_outline.h"
#include "picture/plot_views.h"
#include "selection/passes.h"

namespace picture {
namespace {

// Page layout in pixels: the extent's longest side is drawn this long in every picture.
constexpr double kLongestSidePixels = 360;
constexpr double kPageLeft = 70;
constexpr double kViewGap = 85;
constexpr double kPageRight = 30;
constexpr double kViewsTop = 130;
constexpr double kAxisRoom = 50;
constexpr double kMinimumWidth = 780;

bool outsideShape(std::int32_t shape) { return shape == 3 || shape == 4 || shape == 6; }

std::string countLine(const selection::RunState& state, std::int64_t atoms) {
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

Page layOutPage(const Extent& extent, double cellPixels, const selection::RunState& state) {
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
                   const std::string& region, const std::string& side,
                   const selection::RunState& state, const PlotCaption& caption) {
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

std::string render(const SelectionDensity& density, const selection::RunState& state,
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

std::string plotSvg(const SelectionDensity& density, const selection::RunState& state,
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

std::string drawSelection(const frames::AtomTable& table, const selection::RunState& state,
                          const PlotCaption& caption) {
  StreamedDensity density;
  density.addAll(table);
  secondPass(table, state,
             [&density](const frames::AtomRecord& record, std::int64_t, std::int32_t) {
               density.add(Layer::Selected, record.x, record.y, record.z);
             });
  PlotCaption withCount = caption;
  withCount.atoms = static_cast<std::int64_t>(table.size);
  return plotSvg(density.finish(), state, withCount);
}

}  // namespace picture
