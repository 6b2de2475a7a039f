// The command line's grammar: one table of options, one loop over the arguments, and the
// result as the same RunState the dialogue fills, plus where the files go. No output and
// no exit here: the caller prints the help, the version or the error line.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runs/frame_slice.h"
#include "selection/run_state.h"
#include "series/program_name.h"
#include "textio/freeform/typed_text.h"

namespace doors {

enum class CommandAction { Run, Help, Version, UsageError };

struct CommandLine {
  CommandAction action = CommandAction::Run;
  std::string error;      // UsageError: what is wrong, without the program name
  std::string file;       // the coordinate file exactly as given; "-" is standard input
  std::string outputDir;  // empty: the current directory
  bool quiet = false;
  std::string plotFile;  // --plot: where the picture goes; empty: no picture
  std::string region;    // the region option and its value as typed, for the picture
  std::optional<runs::FrameSlice> frames;  // --frames: a trajectory run; none: the first frame only
  std::string framesText;                  // the slice as typed, for messages
  std::string seriesFile;                  // --series: counts per frame; empty: none
  selection::RunState state;               // shape, parameters, whole-residue answer and names
  bool periodic = false;  // --pbc: atoms at their periodic image nearest the region's centre
};

// Parses the arguments after the program name. Options may come before or after FILE;
// "--name value" and "--name=value" are the same; "--" ends the options; "--help" and
// "--version" win when they come before any error.
CommandLine parseCommandLine(std::span<const std::string_view> arguments);

// The text of --help: usage, one line per option of the table, examples, exit statuses.
std::string helpText();

}  // namespace doors
