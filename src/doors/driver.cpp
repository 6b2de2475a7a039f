// The dialogue, in its fixed order: banner, file, shape, parameters, whole residues,
// names, then the passes and the result files, the closing messages and the final wait.
#include "doors/driver.h"

#include <span>
#include <string_view>

#include "frames/atom_table.h"
#include "results/result_files.h"
#include "runs/engine.h"
#include "runs/stream_engine.h"
#include "selection/run_state.h"
#include "textio/fields/text_ops.h"
#include "textio/freeform/free_form.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/run/run_time.h"
#include "textio/units/unit.h"

namespace doors {
namespace {

constexpr int kIn = textio::units::kConsoleInputUnit;
constexpr int kOut = textio::units::kConsoleOutputUnit;

void say(std::string_view text) { textio::freeform::writeList(kOut, {text}); }
void blankLine() { textio::freeform::writeList(kOut, {}); }

std::string_view view(const std::array<char, selection::kAnswerLength>& answer) {
  return {answer.data(), answer.size()};
}

selection::WholeResidues meaningOf(const std::array<char, selection::kAnswerLength>& answer) {
  if (textio::fields::equalsPadded(view(answer), "yes")) return selection::WholeResidues::Yes;
  if (textio::fields::equalsPadded(view(answer), "no")) return selection::WholeResidues::No;
  return selection::WholeResidues::Other;
}

void readShapeParameters(selection::RunState& state) {
  auto& b = state.parameters.box;
  auto& s = state.parameters.ball;
  auto& c = state.parameters.cylinder;
  switch (static_cast<selection::RegionShape>(state.shape)) {
    case selection::RegionShape::Box:
    case selection::RegionShape::InvertBox:
      say("Input range(nm): xmin,xmax,ymin,ymax,zmin,zmax");
      say("e.g. 0.1,1.12,-99,99,1,2.5 (The size inputed can exceed cell size)");
      textio::freeform::readList(kIn, {&b[0], &b[1], &b[2], &b[3], &b[4], &b[5]});
      break;
    case selection::RegionShape::Ball:
    case selection::RegionShape::InvertBall:
      say("Input center coordinate of ball and radius(x,y,z,r)");
      say("e.g.  2.3,3.3,1.8,4 (The size inputed can exceed cell size)");
      textio::freeform::readList(kIn, {&s[0], &s[1], &s[2], &s[3]});
      break;
    case selection::RegionShape::Cylinder:
    case selection::RegionShape::InvertCylinder:
      say("Input radius,z-min,z-max of cylinder and x,y of axis");
      say("e.g.  3.5,0,6.0,5.8,4.5 (The size inputed can exceed cell size)");
      textio::freeform::readList(kIn, {&c[0], &c[1], &c[2], &c[3], &c[4]});
      break;
    default:
      return;  // any other shape: no prompt, no read, no blank line
  }
  blankLine();
}

void readName(std::array<char, 5>& name) {
  textio::layouts::readFixed(kIn, textio::layouts::kA5, {std::span<char>(name)});
}

// The banner and the coordinate file's name. A file that does not exist ends the run after
// its message and a keypress.
void askForFile(selection::RunState& state) {
  say("Gromacs .gro file analysis tool,programmed by Quorvane,V1.3,2008.Oct.15");
  say("Press Ctrl+C to exit");
  blankLine();
  say("input filename");
  textio::freeform::readList(kIn, {std::span<char>(state.fileName)});
  blankLine();

  state.fileExists = textio::units::inquireExists(view(state.fileName));
  if (!state.fileExists) {
    say("File not found,press any key to exit");
    textio::freeform::readList(kIn, {});
    textio::run::stopRun();
  }
}

// The shape and its parameters, the whole-residue answer and the two names.
void askForSelection(selection::RunState& state) {
  say("Select shape:");
  say("(1) box (2) ball (3) invert box (4) invert ball");
  say("(5) cylinder (6) invert cylinder");
  say("Input 1/2/3/4/5/6");
  textio::freeform::readList(kIn, {&state.shape});
  blankLine();
  readShapeParameters(state);

  say("Reserve entire residue?");
  say("Input yes or no");
  textio::freeform::readList(kIn, {std::span<char>(state.wholeResidueAnswer)});
  state.wholeResidues = meaningOf(state.wholeResidueAnswer);
  blankLine();

  say("Input atoms type,e.g. OW");
  say("If you don't want to specify atom type,input \"any\"");
  readName(state.names.atomName);
  blankLine();
  say("Input residue's name that atoms belong to,e.g. SOL");
  say("If you don't want to specify residue name,input \"any\"");
  readName(state.names.residueName);
  blankLine();
}

// The two count lines, the result files written and closed, and the lines that name them.
void countAndWrite(runs::StreamSelection& selection, selection::RunState& state) {
  const runs::SelectionCounts counts = selection.selectAndCount(state);
  textio::freeform::writeList(
      kOut, {std::string_view("The number of atoms correspond condition is: "), counts.atoms});
  textio::freeform::writeList(
      kOut, {std::string_view("The number of residue correspond condition is: "), counts.residues});
  selection.writeSelected(
      state, [] { textio::units::openUnit(results::kResidueUnit, "residue.txt", "REPLACE"); });
  runs::closeRunFiles();

  say("Detail result have been saved to result.gro");
  say("Atoms list have been saved to list.ndx");
  if (state.wholeResidues == selection::WholeResidues::Yes)
    say("Residue list have been saved to residue.txt");
  blankLine();
}

}  // namespace

void run() {
  selection::RunState state;
  askForFile(state);
  // The title and the count are read here, so that their reports come before the result
  // files are created; the atom lines pass once the last answer is in.
  textio::units::openUnit(frames::kCoordinateUnit, view(state.fileName), "OLD", "SEQUENTIAL");
  runs::StreamSelection selection(runs::readFrameHeader());

  textio::units::openUnit(results::kResultUnit, "result.gro", "REPLACE");
  textio::units::openUnit(results::kIndexUnit, "list.ndx", "REPLACE");

  askForSelection(state);
  countAndWrite(selection, state);
  say("Press any key to exit");
  textio::freeform::readList(kIn, {});
}

}  // namespace doors
