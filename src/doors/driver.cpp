// The dialogue, in its fixed order: banner, file, shape, parameters, whole residues,
// names, then the passes and the result files, the closing messages and the final wait.
#include "doors/driver.h"

#include <span>
#include <string_view>

#include "frames/atom_table.h"
#include "runs/engine.h"
#include "results/result_files.h"
#include "selection/run_state.h"
#include "runs/stream_engine.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/freeform/free_form.h"
#include "textio/run/run_time.h"
#include "textio/fields/text_ops.h"
#include "textio/units/unit.h"

namespace selection {
namespace {

constexpr int kIn = textio::kConsoleInputUnit;
constexpr int kOut = textio::kConsoleOutputUnit;

void say(std::string_view text) { textio::writeList(kOut, {text}); }
void blankLine() { textio::writeList(kOut, {}); }

std::string_view view(const std::array<char, kAnswerLength>& answer) {
  return {answer.data(), answer.size()};
}

WholeResidues meaningOf(const std::array<char, kAnswerLength>& answer) {
  if (textio::equalsPadded(view(answer), "yes")) return WholeResidues::Yes;
  if (textio::equalsPadded(view(answer), "no")) return WholeResidues::No;
  return WholeResidues::Other;
}

void readShapeParameters(RunState& state) {
  auto& b = state.parameters.box;
  auto& s = state.parameters.ball;
  auto& c = state.parameters.cylinder;
  switch (static_cast<RegionShape>(state.shape)) {
    case RegionShape::Box:
    case RegionShape::InvertBox:
      say("Input range(nm): xmin,xmax,ymin,ymax,zmin,zmax");
      say("e.g. 0.1,1.12,-99,99,1,2.5 (The size inputed can exceed cell size)");
      textio::readList(kIn, {&b[0], &b[1], &b[2], &b[3], &b[4], &b[5]});
      break;
    case RegionShape::Ball:
    case RegionShape::InvertBall:
      say("Input center coordinate of ball and radius(x,y,z,r)");
      say("e.g.  2.3,3.3,1.8,4 (The size inputed can exceed cell size)");
      textio::readList(kIn, {&s[0], &s[1], &s[2], &s[3]});
      break;
    case RegionShape::Cylinder:
    case RegionShape::InvertCylinder:
      say("Input radius,z-min,z-max of cylinder and x,y of axis");
      say("e.g.  3.5,0,6.0,5.8,4.5 (The size inputed can exceed cell size)");
      textio::readList(kIn, {&c[0], &c[1], &c[2], &c[3], &c[4]});
      break;
    default:
      return;  // any other shape: no prompt, no read, no blank line
  }
  blankLine();
}

void readName(std::array<char, 5>& name) {
  textio::readFixed(kIn, textio::layouts::kA5, {std::span<char>(name)});
}

}  // namespace

void run() {
  RunState state;

  say("Gromacs .gro file analysis tool,programmed by Quorvane,V1.3,2008.Oct.15");
  say("Press Ctrl+C to exit");
  blankLine();
  say("input filename");
  textio::readList(kIn, {std::span<char>(state.fileName)});
  blankLine();

  state.fileExists = textio::inquireExists(view(state.fileName));
  if (!state.fileExists) {
    say("File not found,press any key to exit");
    textio::readList(kIn, {});
    textio::stopRun();
  }
  // The title and the count are read here, so that their reports come before the result
  // files are created; the atom lines pass once the last answer is in.
  textio::openUnit(kCoordinateUnit, view(state.fileName), "OLD", "SEQUENTIAL");
  StreamSelection selection(readFrameHeader());

  textio::openUnit(kResultUnit, "result.gro", "REPLACE");
  textio::openUnit(kIndexUnit, "list.ndx", "REPLACE");

  say("Select shape:");
  say("(1) box (2) ball (3) invert box (4) invert ball");
  say("(5) cylinder (6) invert cylinder");
  say("Input 1/2/3/4/5/6");
  textio::readList(kIn, {&state.shape});
  blankLine();
  readShapeParameters(state);

  say("Reserve entire residue?");
  say("Input yes or no");
  textio::readList(kIn, {std::span<char>(state.wholeResidueAnswer)});
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

  const SelectionCounts counts = selection.selectAndCount(state);
  textio::writeList(
      kOut, {std::string_view("The number of atoms correspond condition is: "), counts.atoms});
  textio::writeList(
      kOut, {std::string_view("The number of residue correspond condition is: "), counts.residues});
  selection.writeSelected(state, [] { textio::openUnit(kResidueUnit, "residue.txt", "REPLACE"); });
  closeRunFiles();

  say("Detail result have been saved to result.gro");
  say("Atoms list have been saved to list.ndx");
  if (state.wholeResidues == WholeResidues::Yes) say("Residue list have been saved to residue.txt");
  blankLine();
  say("Press any key to exit");
  textio::readList(kIn, {});
}

}  // namespace selection
