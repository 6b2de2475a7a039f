// gro-region: with arguments the command line; without, the dialogue between the start
// and the end of the run-time layer.
#include <string_view>
#include <vector>

#include "selection/command_run.h"
#include "selection/driver.h"
#include "textio/run_time.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return selection::runCommandLine(arguments);
  }
  textio::initRunTime();
  selection::run();
  textio::endRun();
}
