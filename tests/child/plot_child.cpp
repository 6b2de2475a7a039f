// Test driver for the selection picture: loads a coordinate file, selects as a run does and
// writes the SVG, so that script tests can render real pictures.
// Usage: plot_child FILE SHAPE N1,N2,... yes|no ATOM RESIDUE OUT.svg
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "selection/atom_table.h"
#include "selection/passes.h"
#include "selection/plot_svg.h"
#include "selection/run_state.h"
#include "textio/run_time.h"
#include "textio/whole_file.h"

namespace {

void setName(std::array<char, 5>& name, const char* text) {
  name.fill(' ');
  std::memcpy(name.data(), text, std::min<std::size_t>(std::strlen(text), 5));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr, "usage: plot_child FILE SHAPE N1,N2,... yes|no ATOM RESIDUE OUT.svg\n");
    return 2;
  }
  textio::initRunTime();
  selection::RunState state;
  const std::string_view file = argv[1];
  std::memcpy(state.fileName.data(), file.data(), std::min(file.size(), state.fileName.size()));
  state.shape = std::atoi(argv[2]);
  float* group = state.shape == 1 || state.shape == 3   ? state.parameters.box.data()
                 : state.shape == 2 || state.shape == 4 ? state.parameters.ball.data()
                                                        : state.parameters.cylinder.data();
  char* cursor = argv[3];
  for (int i = 0; *cursor != '\0'; ++i) {
    group[i] = std::strtof(cursor, &cursor);
    if (*cursor == ',') ++cursor;
  }
  state.wholeResidues = std::strcmp(argv[4], "yes") == 0 ? selection::WholeResidues::Yes
                                                         : selection::WholeResidues::No;
  setName(state.names.atomName, argv[5]);
  setName(state.names.residueName, argv[6]);

  const selection::AtomTable table =
      selection::load(std::string_view(state.fileName.data(), state.fileName.size()));
  selection::firstPass(table, state);
  if (state.wholeResidues == selection::WholeResidues::Yes) {
    state.atomCounter =
        static_cast<std::int32_t>(selection::recountWholeResidues(table, state.residues));
  }
  const std::string svg = selection::drawSelection(table, state, {std::string(file), "", 0});
  if (const int error = textio::writeNewFile(argv[7], svg); error != 0) {
    std::fprintf(stderr, "plot_child: cannot write %s: %s\n", argv[7], std::strerror(error));
    return 1;
  }
  return 0;
}
