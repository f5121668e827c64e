// Independent solver runs side by side: the runs of one element that do
// not start from one another's field (a gap's even and odd runs, a
// junction's electric run and its slot runs), each on a grid of its own.
// A run's field does not depend on which thread relaxes it, so the values
// are bit for bit those of the runs one after the other.
#pragma once

#include <functional>
#include <span>

namespace mirtex::solver {

// Threads for runs side by side: MIRTEX_THREADS when it is a positive
// whole number, else the cores free at the moment of asking (those of the
// process's affinity mask that no other runnable thread occupies); 1 runs
// everything on the calling thread.
int pool_threads();

// True on a thread that is running one of several runs side by side: the
// sweep then keeps to its own thread instead of starting a partner, whose
// core is already taken.
bool side_by_side();

// Runs every task (a solver run with its own grid, returning a solver
// status) and returns the first non-zero status in task order.  With one
// thread, or when called from a run already side by side, the tasks run on
// the calling thread one after the other and stop at the first failure;
// otherwise all of them run, and their errors are told afterwards as the
// serial runs would tell them: up to the first failure in task order.  An
// exception in a task ends it with kOutOfMemory (memory is what a run can
// lack); none leaves this function.
int run_side_by_side(std::span<const std::function<int()>> tasks);

}  // namespace mirtex::solver
