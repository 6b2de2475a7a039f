// Starting a fresh run in the same process, for fuzzing harnesses only: the tool runs once per
// process, so its run-time state (unit table, once-only closing and stop flags, the run's
// block) is never reset in a real run.
#pragma once

namespace textio::run {

// Forgets the run that ended, or that an exit hook (platform/test_seams.h) abandoned by
// throwing: every file handle is closed without writing anything more, the unit table is
// emptied, the once-only closing and stop flags are cleared, the run's blocks are given back
// and stray holds of the run-time lock by this thread are let go. Call it with no statement
// running and no other thread using the layer.
void resetRunForHarness();

}  // namespace textio::run
