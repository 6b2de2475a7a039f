// The option table and the argument loop of the command line, and its help text.
#include "doors/command_line.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>
#include <optional>
#include <vector>

#include "series/frame_series.h"
#include "textio/freeform/free_form_scan.h"

namespace doors {
namespace {

// What the loop has gathered besides the RunState; checked once all arguments are seen.
struct Gathered {
  CommandLine command;
  std::vector<std::string_view> files;
  std::optional<selection::RegionShape> region;
  std::string_view regionOption;
  bool outside = false;
};

using Apply = std::string (*)(Gathered& gathered, std::string_view option, std::string_view value);

struct Option {
  std::string_view name;   // with its two dashes
  std::string_view value;  // the value's name in the help; empty: the option takes none
  std::string_view help;
  Apply apply;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

template <std::size_t N>
std::string readNumbers(std::string_view option, std::string_view value,
                        std::array<float, N>& target) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t comma = value.find(',', start);
    parts.push_back(trimmed(value.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (parts.size() == 1 && parts.front().empty()) parts.clear();
  if (parts.size() != N) {
    return std::string(option) + " needs " + std::to_string(N) + " numbers, got " +
           std::to_string(parts.size());
  }
  std::array<float, N> numbers{};
  for (std::size_t i = 0; i < N; ++i) {
    if (!textio::freeform::isDecimalNumber(parts[i])) {
      return std::string(option) + ": " + textio::freeform::quoted(parts[i]) + " is not a number";
    }
    if (!textio::freeform::convertNumber(parts[i], numbers[i])) {
      return std::string(option) + ": " + textio::freeform::quoted(parts[i]) + " is out of range";
    }
  }
  target = numbers;
  return {};
}

std::string setRegion(Gathered& gathered, std::string_view option, std::string_view value,
                      selection::RegionShape shape) {
  if (gathered.region) {
    return "only one region may be given, got " + std::string(gathered.regionOption) + " and " +
           std::string(option);
  }
  gathered.region = shape;
  gathered.regionOption = option;
  gathered.command.region = std::string(option) + " " + std::string(value);
  return {};
}

std::string readName(std::string_view option, std::string_view value, std::array<char, 5>& name) {
  if (value.empty()) return std::string(option) + ": the name is empty";
  if (value.size() > name.size()) {
    return std::string(option) + ": " + textio::freeform::quoted(value) +
           " is longer than 5 characters";
  }
  if (std::any_of(value.begin(), value.end(), isBlank)) {
    return std::string(option) + ": " + textio::freeform::quoted(value) + " holds a blank";
  }
  name.fill(' ');
  std::copy(value.begin(), value.end(), name.begin());
  return {};
}

constexpr std::array kOptions{
    Option{"--box", "XMIN,XMAX,YMIN,YMAX,ZMIN,ZMAX", "the box between these planes",
           [](Gathered& g, std::string_view option, std::string_view value) {
             std::string error = readNumbers(option, value, g.command.state.parameters.box);
             return error.empty() ? setRegion(g, option, value, selection::RegionShape::Box)
                                  : error;
           }},
    Option{"--ball", "X,Y,Z,R", "the ball of radius R around (X, Y, Z)",
           [](Gathered& g, std::string_view option, std::string_view value) {
             std::string error = readNumbers(option, value, g.command.state.parameters.ball);
             return error.empty() ? setRegion(g, option, value, selection::RegionShape::Ball)
                                  : error;
           }},
    Option{"--cylinder", "R,ZMIN,ZMAX,X,Y", "radius R along z, axis through (X, Y)",
           [](Gathered& g, std::string_view option, std::string_view value) {
             std::string error = readNumbers(option, value, g.command.state.parameters.cylinder);
             return error.empty() ? setRegion(g, option, value, selection::RegionShape::Cylinder)
                                  : error;
           }},
    Option{"--outside", "", "select outside the region, not inside",
           [](Gathered& g, std::string_view, std::string_view) {
             g.outside = true;
             return std::string();
           }},
    Option{"--pbc", "", "atoms at their nearest periodic image",
           [](Gathered& g, std::string_view, std::string_view) {
             g.command.periodic = true;
             return std::string();
           }},
    Option{"--atom", "NAME", "only atoms of this name (default: any)",
           [](Gathered& g, std::string_view option, std::string_view value) {
             return readName(option, value, g.command.state.names.atomName);
           }},
    Option{"--residue", "NAME", "only residues of this name (default: any)",
           [](Gathered& g, std::string_view option, std::string_view value) {
             return readName(option, value, g.command.state.names.residueName);
           }},
    Option{"--whole-residues", "", "whole residues; also write residue.txt",
           [](Gathered& g, std::string_view, std::string_view) {
             g.command.state.wholeResidues = selection::WholeResidues::Yes;
             return std::string();
           }},
    Option{"--output-dir", "DIR", "write into DIR (created when missing)",
           [](Gathered& g, std::string_view option, std::string_view value) {
             if (value.empty()) return std::string(option) + ": the directory name is empty";
             g.command.outputDir = std::string(value);
             return std::string();
           }},
    Option{"--plot", "FILE.svg", "also draw the selection as a picture",
           [](Gathered& g, std::string_view option, std::string_view value) {
             if (value.empty()) return std::string(option) + ": the file name is empty";
             g.command.plotFile = std::string(value);
             return std::string();
           }},
    Option{"--frames", "SLICE", "every frame of SLICE: all, N or START:STOP[:STEP]",
           [](Gathered& g, std::string_view, std::string_view value) {
             runs::FrameSlice slice;
             std::string error = runs::parseFrameSlice(value, slice);
             if (!error.empty()) return error;
             g.command.frames = slice;
             g.command.framesText = std::string(value);
             return std::string();
           }},
    Option{"--series", "FILE", "with --frames: counts per frame as .csv or .xvg",
           [](Gathered& g, std::string_view option, std::string_view value) {
             if (!series::seriesFormatOf(value)) {
               return std::string(option) + ": " + textio::freeform::quoted(value) +
                      " ends in neither .csv nor .xvg";
             }
             g.command.seriesFile = std::string(value);
             return std::string();
           }},
    Option{"--quiet", "", "print nothing on success",
           [](Gathered& g, std::string_view, std::string_view) {
             g.command.quiet = true;
             return std::string();
           }},
    Option{"--help", "", "show this help and exit",
           [](Gathered& g, std::string_view, std::string_view) {
             g.command.action = CommandAction::Help;
             return std::string();
           }},
    Option{"--version", "", "show the version and exit",
           [](Gathered& g, std::string_view, std::string_view) {
             g.command.action = CommandAction::Version;
             return std::string();
           }},
};

const Option* findOption(std::string_view name) {
  for (const Option& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

void setAnswer(std::array<char, selection::kAnswerLength>& answer, std::string_view text) {
  answer.fill(' ');
  std::copy(text.begin(), text.end(), answer.begin());
}

// The checks that need every argument: one region, one file.
std::string finish(Gathered& gathered) {
  if (!gathered.region) return "no region given: use --box, --ball or --cylinder";
  if (gathered.files.empty()) return "no coordinate file given";
  if (!gathered.command.seriesFile.empty() && !gathered.command.frames) {
    return "--series needs --frames";
  }
  if (gathered.files.size() > 1) {
    return "more than one coordinate file: " + textio::freeform::quoted(gathered.files[0]) +
           " and " + textio::freeform::quoted(gathered.files[1]);
  }
  selection::RunState& state = gathered.command.state;
  selection::RegionShape shape = *gathered.region;
  if (gathered.outside) {
    switch (shape) {
      case selection::RegionShape::Box:
        shape = selection::RegionShape::InvertBox;
        break;
      case selection::RegionShape::Ball:
        shape = selection::RegionShape::InvertBall;
        break;
      default:
        shape = selection::RegionShape::InvertCylinder;
        break;
    }
  }
  state.shape = static_cast<std::int32_t>(shape);
  const bool whole = state.wholeResidues == selection::WholeResidues::Yes;
  state.wholeResidues = whole ? selection::WholeResidues::Yes : selection::WholeResidues::No;
  setAnswer(state.wholeResidueAnswer, whole ? "yes" : "no");
  gathered.command.file = std::string(gathered.files.front());
  return {};
}

}  // namespace

CommandLine parseCommandLine(std::span<const std::string_view> arguments) {
  Gathered gathered;
  selection::RunState& state = gathered.command.state;
  state.names.atomName = {'a', 'n', 'y', ' ', ' '};
  state.names.residueName = state.names.atomName;
  state.wholeResidues = selection::WholeResidues::No;

  const auto fail = [](std::string error) {
    CommandLine failed;
    failed.action = CommandAction::UsageError;
    failed.error = std::move(error);
    return failed;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (optionsEnded || argument == "-" || argument.empty() || argument.front() != '-') {
      gathered.files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const bool attached = argument.starts_with("--") && equals != std::string_view::npos;
    const std::string_view name = attached ? argument.substr(0, equals) : argument;
    const Option* option = findOption(name);
    if (option == nullptr) return fail("unrecognized option " + textio::freeform::quoted(argument));
    std::string_view value;
    if (option->value.empty()) {
      if (attached) return fail(std::string(name) + " takes no value");
    } else if (attached) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return fail(std::string(name) + " needs a value");
    }
    if (std::string error = option->apply(gathered, name, value); !error.empty()) {
      return fail(std::move(error));
    }
    if (gathered.command.action != CommandAction::Run) return gathered.command;
  }
  if (std::string error = finish(gathered); !error.empty()) return fail(std::move(error));
  return gathered.command;
}

std::string helpText() {
  std::string text;
  text += "Usage: gro-region FILE REGION [OPTION]...\n";
  text += "       gro-region          (no arguments: the interactive dialogue)\n";
  text += "Select the atoms of a GROMACS .gro file that lie inside (or outside) a region\n";
  text += "and write result.gro, list.ndx and, for whole residues, residue.txt.\n";
  text += "FILE is the coordinate file; - reads it from standard input.\n";
  text += "REGION is exactly one of --box, --ball, --cylinder; numbers are in nm, separated\n";
  text += "by commas.\n\n";
  std::size_t width = 0;
  const auto label = [](const Option& option) {
    return std::string(option.name) + (option.value.empty() ? "" : " ") + std::string(option.value);
  };
  for (const Option& option : kOptions) width = std::max(width, label(option).size());
  for (const Option& option : kOptions) {
    const std::string left = label(option);
    text +=
        "  " + left + std::string(width - left.size() + 2, ' ') + std::string(option.help) + "\n";
  }
  text += "\n--pbc takes the box line of FILE (3 or 9 numbers) as its periodic box: each\n";
  text += "atom is taken at its image nearest to the region's centre (a box's middle, a\n";
  text += "ball's centre, the cylinder's axis at half its height), tested and written\n";
  text += "there. Images are per atom: a molecule split by the boundary comes out whole\n";
  text += "only when all its atoms are nearest in one image. In boxes whose third vector\n";
  text += "leans (dodecahedron, octahedron) a region reaching farther from its centre than\n";
  text += "half the shortest box vector can miss atoms that another image would place\n";
  text += "inside it: see the manual page for how to phrase slabs and long cylinders.\n";
  text += "\nExamples:\n";
  text += "  gro-region system.gro --ball 2,2,2,1 --atom OW --residue SOL \\\n";
  text += "             --whole-residues --output-dir water\n";
  text += "  zcat big.gro.gz | gro-region - --box 0,5,0,5,0,2 --quiet\n";
  text += "  gro-region system.gro --box -99,99,-99,99,2,3 --plot slab.svg\n";
  text += "  gro-region ligand_in_water.gro --ball 0.2,3.1,2.9,1.2 --pbc\n";
  text += "  gro-region traj.gro --box -99,99,-99,99,2,3 --atom OW --frames all \\\n";
  text += "             --series counts.xvg --plot counts.svg\n";
  text += "\nWith --frames, FILE is a trajectory (frame after frame, as gmx trjconv -o x.gro\n";
  text += "writes it; a FIFO or - streams it). Frame numbers start at 0, STOP is excluded.\n";
  text += "result.gro holds each chosen frame's selection in turn, list.ndx a group per\n";
  text += "frame ([selected-atoms_f3_t7.500]), residue.txt a block per frame. A last frame\n";
  text += "cut short is left out with a warning. --pbc takes each frame's own box.\n";
  text += "\nExit status:\n";
  text += "  0         success\n";
  text += "  1         FILE cannot be read, a result file cannot be created or replaced,\n";
  text += "            --frames matches no frame of FILE, or --pbc and a box line is not a box\n";
  text += "  2         usage error\n";
  text += "  other     the number of an I/O report (24: FILE ends early, 38: write failed)\n";
  text += "  129       hang-up (SIGHUP)\n";
  text += "  130       Ctrl+C (SIGINT)\n";
  text += "  131       Ctrl+\\ (SIGQUIT, Ctrl+Break)\n";
  text += "  143       SIGTERM (kill, timeout)\n";
  return text;
}

}  // namespace doors
