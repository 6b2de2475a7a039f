// The drawing of one view of the selection picture.
#include "picture/plot_views.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "picture/plot_text.h"

namespace picture {
namespace {

constexpr double kArrowSpacing = 60;

constexpr std::array<const char*, 3> kAxisNames = {"x", "y", "z"};

// Appends a path command and its point: "M12.5 40".
void pathPoint(std::string& d, char command, double x, double y) {
  d += command;
  d += pixelText(x);
  d += ' ';
  d += pixelText(y);
}

}  // namespace

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

const char* viewId(View view) {
  return view == View::Top ? "top" : view == View::Front ? "front" : "side";
}

const char* viewTitle(View view) {
  return view == View::Top     ? "Top: x across, y up"
         : view == View::Front ? "Front: x across, z up"
                               : "Side: y across, z up";
}

void appendDensity(std::string& out, const DensityGrid& grid,
                   const std::array<const char*, kLevels>& shades, double cellPixels) {
  const std::uint32_t largest = grid.largest();
  if (largest == 0) return;
  // Each cell's shade once, then the runs of equal shades. Most cells hold few atoms: the
  // shade of a small count is worked out the first time it is met (two logarithms) and
  // looked up after that.
  constexpr std::uint32_t kRemembered = 1024;
  std::array<std::int8_t, kRemembered> known;
  known.fill(-1);
  std::vector<std::int8_t> levels(grid.counts.size());
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const std::uint32_t count = grid.counts[i];
    if (count >= kRemembered) {
      levels[i] = static_cast<std::int8_t>(densityLevel(count, largest, kLevels));
      continue;
    }
    if (known[count] < 0) {
      known[count] = static_cast<std::int8_t>(densityLevel(count, largest, kLevels));
    }
    levels[i] = known[count];
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

}  // namespace picture
