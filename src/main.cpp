// gro-region: with arguments the command line; without, the dialogue between the start
// and the end of the run-time layer.
#include <string_view>
#include <vector>

#include "doors/command_run.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  return doors::runTool(arguments);
}
