// Test entry point: each test process gets a fresh, empty table directory,
// so no calculation file lands in the source tree or leaks between tests,
// and every test starts on an empty design of the stand-in host, so a whole
// test program runs in one process as well as one test at a time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "host.h"
#include "support/tmpdir.h"

namespace {

class FreshDesign : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { mirtex::host::Host::get().reset_design(); }
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
