// Test entry point: each test process gets a fresh, empty table directory,
// so no calculation file lands in the source tree or leaks between tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/tmpdir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    mirtex::test::TempDir tables("mirtex-tables");
    setenv("MIRTEX_TABLE_PATH", tables.path().c_str(), 1);
    const int rc = RUN_ALL_TESTS();
    return rc;
}
