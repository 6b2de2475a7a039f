// The counts of a trajectory run, frame by frame, as a table for spreadsheets (.csv) or for
// GROMACS' and xmgrace's plots (.xvg), and the summary the console shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace series {

// One chosen frame: its 0-based index in the file, the time from its title, and the two
// counts a single-frame run on it prints.
struct FrameCount {
  std::uint64_t index = 0;
  std::optional<double> time;
  std::int32_t atoms = 0;
  std::int32_t residues = 0;
};

enum class SeriesFormat { Csv, Xvg };

// The format a series file name asks for by its extension (.csv, .xvg); nullopt otherwise.
std::optional<SeriesFormat> seriesFormatOf(std::string_view fileName);

// "frame,time,atoms,residues", then a row per frame; an empty time when the title has none.
std::string seriesCsv(const std::vector<FrameCount>& frames);

// Comment lines naming `source` (the file and the selection), @ lines for title, axes and
// the legends of both sets, then "time atoms residues" rows; the frame index in place of
// the time unless every frame has one.
std::string seriesXvg(const std::vector<FrameCount>& frames, std::string_view source);

// True when every frame's title gave a time: the series and the chart run over time.
bool allFramesTimed(const std::vector<FrameCount>& frames);

// "60 frames, atoms per frame: min 1187, mean 1203.4, max 1221" (mean with one decimal).
std::string frameSummary(const std::vector<FrameCount>& frames);

}  // namespace series
