// gro-region: initialise the run-time layer, run the dialogue, end the run.
#include "selection/driver.h"
#include "textio/run_time.h"

int main() {
  textio::initRunTime();
  selection::run();
  textio::endRun();
}
