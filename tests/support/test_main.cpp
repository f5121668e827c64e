// Test entry point: each test process gets a fresh, empty table directory,
// so no calculation file lands in the source tree or leaks between tests,
// and every test starts on an empty design of the stand-in host, so a whole
// test program runs in one process as well as one test at a time (tests of
// a process's first steps rerun alone: support/fresh_process.h).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "host.h"
#include "support/fresh_process.h"
#include "support/tmpdir.h"

namespace {

// Every test starts in the program's working directory (a test that moved
// into a temporary directory leaves it deleted) on an empty design.
class FreshDesign : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        std::filesystem::current_path(start_);
        mirtex::host::Host::get().reset_design();
        mirtex::test::note_test_start();
    }
    const std::filesystem::path start_ = std::filesystem::current_path();
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshDesign);
    mirtex::test::TempDir tables("mirtex-tables");
    setenv("MIRTEX_TABLE_PATH", tables.path().c_str(), 1);
    const int rc = RUN_ALL_TESTS();
    return rc;
}
