// The series writers. Times keep the three decimals the index groups show, so that a row
// and its group always name the same time.
#include "series/frame_series.h"

#include <algorithm>
#include <cstdio>

#include "frames/frame_time.h"
#include "series/program_name.h"

namespace series {

std::optional<SeriesFormat> seriesFormatOf(std::string_view fileName) {
  if (fileName.ends_with(".csv")) return SeriesFormat::Csv;
  if (fileName.ends_with(".xvg")) return SeriesFormat::Xvg;
  return std::nullopt;
}

bool allFramesTimed(const std::vector<FrameCount>& frames) {
  return std::all_of(frames.begin(), frames.end(),
                     [](const FrameCount& frame) { return frame.time.has_value(); });
}

std::string seriesCsv(const std::vector<FrameCount>& frames) {
  std::string text = "frame,time,atoms,residues\n";
  for (const FrameCount& frame : frames) {
    text += std::to_string(frame.index) + ',' + (frame.time ? frames::timeText(*frame.time) : "") +
            ',' + std::to_string(frame.atoms) + ',' + std::to_string(frame.residues) + '\n';
  }
  return text;
}

std::string seriesXvg(const std::vector<FrameCount>& frames, std::string_view source) {
  const bool timed = allFramesTimed(frames);
  std::string text;
  text += "# Written by " + std::string(kProgramName) + " " + std::string(kVersion) + "\n";
  std::string named(source);
  // A comment is one line, whatever the file name holds.
  std::replace_if(
      named.begin(), named.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  text += "# Atoms and residues selected per frame of " + named + "\n";
  text += "@    title \"Selected atoms and residues\"\n";
  text += timed ? "@    xaxis  label \"Time (ps)\"\n" : "@    xaxis  label \"Frame\"\n";
  text += "@    yaxis  label \"Count\"\n";
  text += "@TYPE xy\n";
  text += "@ legend on\n";
  text += "@ s0 legend \"atoms\"\n";
  text += "@ s1 legend \"residues\"\n";
  for (const FrameCount& frame : frames) {
    const std::string x = timed ? frames::timeText(*frame.time) : std::to_string(frame.index);
    char row[64];
    std::snprintf(row, sizeof row, " %10d %10d\n", frame.atoms, frame.residues);
    text += std::string(std::max<std::size_t>(12, x.size()) - x.size(), ' ') + x + row;
  }
  return text;
}

std::string frameSummary(const std::vector<FrameCount>& frames) {
  std::int64_t total = 0;
  std::int32_t least = 0;
  std::int32_t most = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const std::int32_t atoms = frames[i].atoms;
    total += atoms;
    least = i == 0 ? atoms : std::min(least, atoms);
    most = i == 0 ? atoms : std::max(most, atoms);
  }
  char mean[64];
  std::snprintf(
      mean, sizeof mean, "%.1f",
      frames.empty() ? 0.0 : static_cast<double>(total) / static_cast<double>(frames.size()));
  return std::to_string(frames.size()) + (frames.size() == 1 ? " frame" : " frames") +
         ", atoms per frame: min " + std::to_string(least) + ", mean " + mean + ", max " +
         std::to_string(most);
}

}  // namespace series
