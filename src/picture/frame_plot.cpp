// The line chart of counts per frame. Okabe-Ito orange for atoms and blue for residues, as
// the selection picture colours the selected atoms and the region.
#include "picture/frame_plot.h"

#include <algorithm>
#include <cmath>

#include "picture/plot_text.h"

namespace picture {
namespace {

constexpr double kLeft = 90, kTop = 130, kWidth = 800, kHeight = 360;
constexpr const char* kAtomsColour = "#d55e00";
constexpr const char* kResiduesColour = "#0072b2";
constexpr const char* kInk = "#222222";
constexpr int kMaxTicks = 30;

struct Scale {
  double x0, x1, y1;
  double x(double value) const {
    return kLeft + (x1 > x0 ? (value - x0) / (x1 - x0) : 0.5) * kWidth;
  }
  double y(double value) const { return kTop + kHeight - value / y1 * kHeight; }
};

double xOf(const series::FrameCount& frame, bool timed) {
  return timed ? *frame.time : static_cast<double>(frame.index);
}

// The points of one line; runs of frames that share a pixel column give their least and
// their largest value, so that no peak is lost.
std::string linePoints(const std::vector<series::FrameCount>& frames, bool timed,
                       const Scale& scale, std::int32_t series::FrameCount::*count) {
  const std::size_t perColumn = (frames.size() + kChartColumns - 1) / kChartColumns;
  std::string points;
  for (std::size_t first = 0; first < frames.size(); first += perColumn) {
    const std::size_t end = std::min(frames.size(), first + perColumn);
    std::int32_t least = frames[first].*count;
    std::int32_t most = least;
    for (std::size_t i = first; i < end; ++i) {
      least = std::min(least, frames[i].*count);
      most = std::max(most, frames[i].*count);
    }
    const std::string x = pixelText(scale.x(xOf(frames[first], timed)));
    points += x + "," + pixelText(scale.y(least)) + " ";
    if (most != least) {
      points +=
          pixelText(scale.x(xOf(frames[end - 1], timed))) + "," + pixelText(scale.y(most)) + " ";
    }
  }
  if (!points.empty()) points.pop_back();
  return points;
}

void appendAxes(std::string& out, const Scale& scale, bool timed) {
  out += "<g fill=\"" + std::string(kInk) + "\" font-size=\"12\">\n";
  out += "<path d=\"M" + pixelText(kLeft) + " " + pixelText(kTop) + "V" +
         pixelText(kTop + kHeight) + "H" + pixelText(kLeft + kWidth) +
         "\" fill=\"none\" stroke=\"" + kInk + "\"/>\n";
  const double yStep = tickStep(scale.y1);
  // At most a few dozen ticks, whatever rounding does to very large values.
  int ticks = 0;
  for (double v = 0; v <= scale.y1 + yStep / 1000 && ticks < kMaxTicks; v += yStep, ++ticks) {
    out += "<text x=\"" + pixelText(kLeft - 6) + "\" y=\"" + pixelText(scale.y(v) + 4) +
           "\" text-anchor=\"end\">" + fixedText(v, tickDecimals(yStep)) + "</text>\n";
  }
  const double span = scale.x1 - scale.x0;
  const double xStep = tickStep(span > 0 ? span : 1);
  ticks = 0;
  for (double v = std::ceil(scale.x0 / xStep) * xStep;
       v <= scale.x1 + xStep / 1000 && ticks < kMaxTicks; v += xStep, ++ticks) {
    out += "<text x=\"" + pixelText(scale.x(v)) + "\" y=\"" + pixelText(kTop + kHeight + 18) +
           "\" text-anchor=\"middle\">" + fixedText(v, tickDecimals(xStep)) + "</text>\n";
  }
  out += "<text x=\"" + pixelText(kLeft + kWidth / 2) + "\" y=\"" + pixelText(kTop + kHeight + 40) +
         "\" text-anchor=\"middle\">" + (timed ? "time (ps)" : "frame") + "</text>\n";
  out += "<text transform=\"translate(" + pixelText(kLeft - 56) + " " +
         pixelText(kTop + kHeight / 2) + ") rotate(-90)\" text-anchor=\"middle\">selected</text>\n";
  out += "</g>\n";
}

void appendLegend(std::string& out) {
  const double y = kTop + kHeight + 70;
  const struct {
    const char* colour;
    const char* label;
    double x;
  } entries[] = {{kAtomsColour, "atoms", kLeft}, {kResiduesColour, "residues", kLeft + 140}};
  for (const auto& entry : entries) {
    out += "<path d=\"M" + pixelText(entry.x) + " " + pixelText(y) + "h30\" stroke=\"" +
           entry.colour + "\" stroke-width=\"2\"/>\n";
    out += "<text x=\"" + pixelText(entry.x + 38) + "\" y=\"" + pixelText(y + 4) +
           "\" font-size=\"12\" fill=\"" + kInk + "\">" + entry.label + "</text>\n";
  }
}

}  // namespace

std::string drawFrameChart(const std::vector<series::FrameCount>& frames,
                           const selection::RunState& state, const PlotCaption& caption) {
  const bool timed = series::allFramesTimed(frames);
  Scale scale{xOf(frames.front(), timed), xOf(frames.front(), timed), 1};
  for (const series::FrameCount& frame : frames) {
    scale.x0 = std::min(scale.x0, xOf(frame, timed));
    scale.x1 = std::max(scale.x1, xOf(frame, timed));
    scale.y1 = std::max(scale.y1, static_cast<double>(std::max(frame.atoms, frame.residues)));
  }
  const double width = kLeft + kWidth + 40;
  const double height = kTop + kHeight + 90;
  const std::string file = xmlText(caption.fileName);
  const std::string region = xmlText(caption.region.empty() ? regionText(state) : caption.region);
  const bool outside = state.shape == 3 || state.shape == 4 || state.shape == 6;
  const std::string side = outside ? "outside" : "inside";
  const std::string summary = series::frameSummary(frames);

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + pixelText(width) + "\" height=\"" +
         pixelText(height) + "\" viewBox=\"0 0 " + pixelText(width) + " " + pixelText(height) +
         "\" role=\"img\" aria-labelledby=\"title desc\" font-family=\"DejaVu Sans, Verdana, "
         "sans-serif\">\n";
  out += "<title id=\"title\">Atoms selected per frame of " + file + " " + side + " " + region +
         "</title>\n";
  out +=
      "<desc id=\"desc\">Line chart of the atoms (orange) and residues (blue) selected in "
      "each frame of " +
      file + " against " + (timed ? "time" : "frame index") + ", the selection lying " + side +
      " the region " + region + ". " + caseLine(state) + "; " + summary + ".</desc>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  out += "<g fill=\"" + std::string(kInk) + "\">\n";
  out += "<text x=\"" + pixelText(kLeft) + "\" y=\"28\" font-size=\"17\" font-weight=\"bold\">" +
         file + "</text>\n";
  out += "<text x=\"" + pixelText(kLeft) + "\" y=\"52\" font-size=\"14\">region " + region +
         ", selecting " + side + " it</text>\n";
  out += "<text x=\"" + pixelText(kLeft) + "\" y=\"72\" font-size=\"14\">" + caseLine(state) +
         "</text>\n";
  out += "<text x=\"" + pixelText(kLeft) + "\" y=\"92\" font-size=\"14\">" + summary + "</text>\n";
  out += "</g>\n";
  appendAxes(out, scale, timed);
  for (const auto& [count, colour] : {std::pair{&series::FrameCount::atoms, kAtomsColour},
                                      std::pair{&series::FrameCount::residues, kResiduesColour}}) {
    out += "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
           "\" stroke-width=\"1.5\" points=\"" + linePoints(frames, timed, scale, count) + "\"/>\n";
  }
  appendLegend(out);
  out += "</svg>\n";
  return out;
}

}  // namespace picture
