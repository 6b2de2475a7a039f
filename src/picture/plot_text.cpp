// Numbers and words of the selection picture: pixel coordinates, tick steps and labels,
// XML-safe text from any bytes, and the region told from the run's state.
#include "picture/plot_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace picture {
namespace {

std::string shortNumber(float value) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

std::string name(const std::array<char, 5>& answer) {
  std::string text(answer.data(), answer.size());
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

std::string caseLine(const selection::RunState& state) {
  return "atom name " + xmlText(name(state.names.atomName)) + ", residue name " +
         xmlText(name(state.names.residueName)) + ", whole residues: " +
         (state.wholeResidues == selection::WholeResidues::Yes ? "yes" : "no");
}

// A pixel coordinate: one decimal, no trailing ".0", never "-0".
std::string pixelText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string result(text);
  if (result.size() > 2 && result.compare(result.size() - 2, 2, ".0") == 0)
    result.resize(result.size() - 2);
  if (result == "-0") result = "0";
  return result;
}

std::string fixedText(double value, int decimals) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string result(text);
  if (result.find_first_not_of("-0.") == std::string::npos)
    result = result.substr(result.find('0'));
  return result;
}

// Tick step of 1, 2 or 5 times a power of ten, about six steps on the longest side.
double tickStep(double longest) {
  const double target = longest / 6;
  const double power = std::pow(10.0, std::floor(std::log10(target)));
  const double mantissa = target / power;
  return (mantissa < 1.5 ? 1 : mantissa < 3.5 ? 2 : mantissa < 7.5 ? 5 : 10) * power;
}

int tickDecimals(double step) {
  return std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
}

std::string xmlText(std::string_view text) {
  static constexpr const char* kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      switch (byte) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        default:
          if (byte < 0x20 && byte != '\t') {
            out += kReplacement;
          } else {
            out += static_cast<char>(byte);
          }
      }
      ++i;
      continue;
    }
    // A well-formed sequence: lead byte, the right count of continuation bytes, no overlong
    // form, no surrogate, nothing above U+10FFFF, and not U+FFFE or U+FFFF (not XML characters).
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
    std::uint32_t code = length == 4 ? byte & 0x07u : length == 3 ? byte & 0x0Fu : byte & 0x1Fu;
    bool good = length != 0 && byte <= 0xF4 && i + length <= text.size();
    for (std::size_t k = 1; good && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      good = (next & 0xC0u) == 0x80u;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (good) {
      good = !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) &&
             !(code >= 0xD800 && code <= 0xDFFF) && code <= 0x10FFFF && code != 0xFFFE &&
             code != 0xFFFF;
    }
    if (good) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

std::string regionText(const selection::RunState& state) {
  const auto join = [](const auto& values) {
    std::string text;
    for (float value : values) {
      if (!text.empty()) text += ',';
      text += shortNumber(value);
    }
    return text;
  };
  switch (static_cast<selection::RegionShape>(state.shape)) {
    case selection::RegionShape::Box:
    case selection::RegionShape::InvertBox:
      return "box " + join(state.parameters.box);
    case selection::RegionShape::Ball:
    case selection::RegionShape::InvertBall:
      return "ball " + join(state.parameters.ball);
    case selection::RegionShape::Cylinder:
    case selection::RegionShape::InvertCylinder:
      return "cylinder " + join(state.parameters.cylinder);
  }
  return "shape " + std::to_string(state.shape);
}

}  // namespace picture
