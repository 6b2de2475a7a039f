// The command line's grammar: argument lists that give a RunState (shape, numbers, names,
// whole residues, files) and argument lists that give one exact error line.
#include "doors/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace doors {
namespace {

CommandLine parse(std::vector<std::string_view> arguments) { return parseCommandLine(arguments); }

std::string text(const std::array<char, 5>& name) { return std::string(name.data(), 5); }

std::string answer(const std::array<char, selection::kAnswerLength>& text) {
  std::string value(text.data(), text.size());
  return value.substr(0, value.find_last_not_of(' ') + 1);
}

struct Accepted {
  std::vector<std::string_view> arguments;
  std::int32_t shape;
  std::vector<float> numbers;  // of the shape's group
  std::string atom;            // five columns, blank-padded
  std::string residue;
  bool whole;
  std::string file;
  std::string outputDir;
  bool quiet;
};

TEST(CommandLine, ArgumentListsGiveTheDialoguesAnswers) {
  // clang-format off
  const std::vector<Accepted> cases = {
      // The dialogue's own example of box numbers: sign, point, no fraction, exponent.
      {{"w.gro", "--box", "0.1,1.12,-99,99,1,2.5"}, 1, {0.1f, 1.12f, -99.0f, 99.0f, 1.0f, 2.5f},
       "any  ", "any  ", false, "w.gro", "", false},
      {{"--box=.5, 1e-1 ,-0.0,+3,1E1,2.", "w.gro", "--outside"}, 3,
       {0.5f, 0.1f, -0.0f, 3.0f, 10.0f, 2.0f}, "any  ", "any  ", false, "w.gro", "", false},
      {{"--ball", "2.3,3.3,1.8,4", "--atom", "OW", "--residue=SOL", "sys.gro"}, 2,
       {2.3f, 3.3f, 1.8f, 4.0f}, "OW   ", "SOL  ", false, "sys.gro", "", false},
      {{"sys.gro", "--ball=1,1,1,1", "--outside", "--whole-residues", "--output-dir", "out/a"}, 4,
       {1, 1, 1, 1}, "any  ", "any  ", true, "sys.gro", "out/a", false},
      {{"--cylinder", "3.5,0,6.0,5.8,4.5", "--quiet", "--", "--odd name.gro"}, 5,
       {3.5f, 0.0f, 6.0f, 5.8f, 4.5f}, "any  ", "any  ", false, "--odd name.gro", "", true},
      {{"-", "--cylinder=1,2,3,4,5", "--outside", "--atom=C1234", "--residue", "ow"}, 6,
       {1, 2, 3, 4, 5}, "C1234", "ow   ", false, "-", "", false},
      // A value that begins with a dash is a value, as getopt takes it.
      {{"--atom", "-x", "--box", "-1,-2,-3,-4,-5,-6", "a b.gro"}, 1,
       {-1, -2, -3, -4, -5, -6}, "-x   ", "any  ", false, "a b.gro", "", false},
      // The last of a repeated name wins.
      {{"f", "--ball", "0,0,0,1", "--atom", "OW", "--atom", "HW1"}, 2,
       {0, 0, 0, 1}, "HW1  ", "any  ", false, "f", "", false},
  };
  // clang-format on
  for (const Accepted& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    const CommandLine command = parse(c.arguments);
    ASSERT_EQ(command.action, CommandAction::Run) << command.error;
    const selection::RunState& state = command.state;
    EXPECT_EQ(state.shape, c.shape);
    std::vector<float> numbers;
    if (c.shape == 1 || c.shape == 3)
      numbers.assign(state.parameters.box.begin(), state.parameters.box.end());
    if (c.shape == 2 || c.shape == 4)
      numbers.assign(state.parameters.ball.begin(), state.parameters.ball.end());
    if (c.shape == 5 || c.shape == 6) {
      numbers.assign(state.parameters.cylinder.begin(), state.parameters.cylinder.end());
    }
    ASSERT_EQ(numbers.size(), c.numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      // Bit for bit: -0.0 keeps its sign, as the dialogue's conversion does.
      EXPECT_EQ(std::signbit(numbers[i]), std::signbit(c.numbers[i])) << i;
      EXPECT_EQ(numbers[i], c.numbers[i]) << i;
    }
    EXPECT_EQ(text(state.names.atomName), c.atom);
    EXPECT_EQ(text(state.names.residueName), c.residue);
    EXPECT_EQ(state.wholeResidues,
              c.whole ? selection::WholeResidues::Yes : selection::WholeResidues::No);
    EXPECT_EQ(answer(state.wholeResidueAnswer), c.whole ? "yes" : "no");
    EXPECT_EQ(command.file, c.file);
    EXPECT_EQ(command.outputDir, c.outputDir);
    EXPECT_EQ(command.quiet, c.quiet);
  }
}

TEST(CommandLine, OtherShapesGroupsStayZero) {
  const CommandLine command = parse({"f", "--ball", "1,2,3,4"});
  for (float v : command.state.parameters.box) EXPECT_EQ(v, 0.0f);
  for (float v : command.state.parameters.cylinder) EXPECT_EQ(v, 0.0f);
}

struct Refused {
  std::vector<std::string_view> arguments;
  std::string error;
};

TEST(CommandLine, UsageErrorsNameTheOptionAndWhatWasGiven) {
  const std::vector<Refused> cases = {
      {{"f", "--box", "1,2,3,4,5"}, "--box needs 6 numbers, got 5"},
      {{"f", "--ball=1,2,3,4,5"}, "--ball needs 4 numbers, got 5"},
      {{"f", "--cylinder", ""}, "--cylinder needs 5 numbers, got 0"},
      {{"f", "--ball", "1,2,,4"}, "--ball: '' is not a number"},
      {{"f", "--ball", "1,2,abc,4"}, "--ball: 'abc' is not a number"},
      {{"f", "--ball", "1,2,3,4x"}, "--ball: '4x' is not a number"},
      {{"f", "--ball", "1,2,.,4"}, "--ball: '.' is not a number"},
      {{"f", "--ball", "1,2,1e,4"}, "--ball: '1e' is not a number"},
      {{"f", "--ball", "1,2,1d0,4"}, "--ball: '1d0' is not a number"},
      {{"f", "--ball", "1,2,3*1,4"}, "--ball: '3*1' is not a number"},
      {{"f", "--ball", "1 2,3,4,5"}, "--ball: '1 2' is not a number"},
      {{"f", "--ball", "1,2,3,1e39"}, "--ball: '1e39' is out of range"},
      {{"f", "--box"}, "--box needs a value"},
      {{"f", "--ball", "1,1,1,1", "--atom"}, "--atom needs a value"},
      {{"f", "--ball", "1,1,1,1", "--atom", ""}, "--atom: the name is empty"},
      {{"f", "--ball", "1,1,1,1", "--atom=ABCDEF"}, "--atom: 'ABCDEF' is longer than 5 characters"},
      {{"f", "--ball", "1,1,1,1", "--residue", "S L"}, "--residue: 'S L' holds a blank"},
      {{"f", "--ball", "1,1,1,1", "--output-dir="}, "--output-dir: the directory name is empty"},
      {{"f", "--ball", "1,1,1,1", "--outside=yes"}, "--outside takes no value"},
      {{"f", "--ball", "1,1,1,1", "--whole"}, "unrecognized option '--whole'"},
      {{"f", "--ball", "1,1,1,1", "-q"}, "unrecognized option '-q'"},
      {{"f"}, "no region given: use --box, --ball or --cylinder"},
      {{"f", "--outside"}, "no region given: use --box, --ball or --cylinder"},
      {{"f", "--box", "1,2,3,4,5,6", "--ball", "1,2,3,4"},
       "only one region may be given, got --box and --ball"},
      {{"f", "--ball", "1,2,3,4", "--ball", "1,2,3,4"},
       "only one region may be given, got --ball and --ball"},
      {{"--ball", "1,2,3,4"}, "no coordinate file given"},
      {{"a.gro", "--ball", "1,2,3,4", "b.gro"},
       "more than one coordinate file: 'a.gro' and 'b.gro'"},
      // An error before --help wins, as the arguments are read in order.
      {{"--bogus", "--help"}, "unrecognized option '--bogus'"},
  };
  for (const Refused& c : cases) {
    const CommandLine command = parse(c.arguments);
    EXPECT_EQ(command.action, CommandAction::UsageError) << c.error;
    EXPECT_EQ(command.error, c.error);
  }
}

TEST(CommandLine, HelpAndVersionWinOverMissingArguments) {
  EXPECT_EQ(parse({"--help"}).action, CommandAction::Help);
  EXPECT_EQ(parse({"x.gro", "--version", "--bogus"}).action, CommandAction::Version);
  EXPECT_EQ(parse({"--", "--help"}).action, CommandAction::UsageError);
}

TEST(CommandLine, HelpNamesEveryOptionAndTheStatuses) {
  const std::string help = helpText();
  for (std::string_view option :
       {"--box", "--ball", "--cylinder", "--outside", "--atom", "--residue", "--whole-residues",
        "--output-dir", "--plot", "--quiet", "--help", "--version", "zcat", " 130 ", " 2 "}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace doors

namespace doors {
namespace {

TEST(CommandLine, PlotTakesItsPathAndTheRegionStaysAsTyped) {
  struct Case {
    std::vector<std::string_view> arguments;
    std::string plot, region, error;
  };
  const Case cases[] = {
      {{"w.gro", "--ball=1,2,3,.5", "--plot", "a/p.svg"}, "a/p.svg", "--ball 1,2,3,.5", ""},
      {{"--plot=p q.svg", "--box", "0,1, 0,1,0,1", "w.gro", "--outside"},
       "p q.svg",
       "--box 0,1, 0,1,0,1",
       ""},
      {{"w.gro", "--cylinder", "1,2,3,4,5"}, "", "--cylinder 1,2,3,4,5", ""},
      {{"w.gro", "--ball", "1,1,1,1", "--plot"}, "", "", "--plot needs a value"},
      {{"w.gro", "--ball", "1,1,1,1", "--plot="}, "", "", "--plot: the file name is empty"},
  };
  for (const Case& c : cases) {
    const CommandLine command = parse(c.arguments);
    if (!c.error.empty()) {
      EXPECT_EQ(command.action, CommandAction::UsageError);
      EXPECT_EQ(command.error, c.error);
      continue;
    }
    EXPECT_EQ(command.action, CommandAction::Run) << command.error;
    EXPECT_EQ(command.plotFile, c.plot);
    EXPECT_EQ(command.region, c.region);
  }
}

}  // namespace
}  // namespace doors
