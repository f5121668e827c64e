#include "support/fresh_process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace mirtex::test {
namespace {
int started = 0;
}

void note_test_start() { ++started; }

bool ran_in_fresh_process() {
    if (started <= 1) return false;
    const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string cmd = "'" + self + "' --gtest_filter='" + t->test_suite_name() + "." + t->name() + "' 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
        ADD_FAILURE() << "cannot start " << cmd;
        return true;
    }
    std::array<char, 4096> buf;
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    const int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "in a fresh process:\n" << out;
    return true;
}

}  // namespace mirtex::test
