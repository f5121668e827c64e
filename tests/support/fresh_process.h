// Tests of what a process does first: the boot, the table directory fixed
// at the first file access, the first solve of a geometry, the counters of
// an analysis.  As the first test of its process such a test runs in place;
// after other tests it runs again alone in a child process of this program
// and takes over the child's verdict, so a whole test program passes in one
// process as well as one test at a time.
#pragma once

namespace mirtex::test {

// Counts the tests started in this process (called by the test main).
void note_test_start();

// True when the current test ran in a child and the caller must return.
bool ran_in_fresh_process();

}  // namespace mirtex::test

#define MIRTEX_FRESH_PROCESS()                                 \
    do {                                                       \
        if (::mirtex::test::ran_in_fresh_process()) return;    \
    } while (0)
