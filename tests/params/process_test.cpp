// Resolving the process: technology tables, failure messages, the second
// analysis and the debug item.
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "fixture.h"
#include "params/assembly.h"
#include "support/tmpdir.h"
#include "support/fresh_process.h"

namespace mirtex::test {
namespace {

using host::Value;

// A technology item whose value at parameter position p is 100 + p, so a
// table entry tells which position it came from.
Params numbered(const UserElemDef* def) {
    Params p;
    for (int i = 0; i < def->numPars; ++i) p.emplace_back(def->params[i].keyword, Value::Real(100 + i));
    return p;
}

std::vector<std::vector<int>> table_positions() {
    std::vector<std::vector<int>> t;
    for (int i = 0; i < foundries.table_count; ++i) {
        t.emplace_back();
        for (int e = 0; e < foundries.entry_count[i]; ++e) t.back().push_back(int(foundries.entries[i][e]) - 100);
    }
    return t;
}

std::string read(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class ProcessTest : public ParamsTest {};

TEST_F(ProcessTest, TechTablesComeFromTheirPositions) {
    design.tech_params = numbered(host::Host::get().definition("C_TECH"));
    design.build();
    ASSERT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(foundries.table_count, 12);
    EXPECT_EQ(table_positions(), (std::vector<std::vector<int>>{
                                     {0}, {1}, {2}, {3, 8}, {4, 9}, {5, 10}, {6, 11}, {7, 12}, {13}, {14}, {15, 17},
                                     {16, 18}}));
    EXPECT_TRUE(errors().empty());
}

TEST_F(ProcessTest, UmsTablesHoldThreeResistorLayers) {
    design.tech_type = "T_UMS_A";
    design.tech_params = numbered(host::Host::get().definition("T_UMS_A"));
    design.build();
    ASSERT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(table_positions(), (std::vector<std::vector<int>>{{0},
                                                                 {1},
                                                                 {2},
                                                                 {3, 8},
                                                                 {4, 9},
                                                                 {5, 10},
                                                                 {6, 11},
                                                                 {7, 12},
                                                                 {13, 15, 17},
                                                                 {14, 16, 18},
                                                                 {19, 21},
                                                                 {20, 22}}));
}

TEST_F(ProcessTest, FailuresAreReportedAndLeaveTheTablesAlone) {
    design.build();
    ASSERT_EQ(NetPars(nullptr), 0);
    const double t1 = foundries.entries[10][0];
    const int* counts = foundries.entry_count;

    // The same technology values under a foundry kind that is not accepted.
    Params db = design.tech_params;
    db.erase(db.begin() + 13, db.begin() + 15);
    for (const char* k : {"res_l1", "res_rs1", "res_l2", "res_rs2"}) db.insert(db.begin() + 13, {k, Value::Real(1)});
    design.item("T_DB_A", "C_TECH_DB", db);
    design.item("C_SUB", "C_TECH_SUBST", design.sub_params);

    UserInstDef* proces = host::Host::get().find("C_PROCES_DEFAULT");
    const char* foundry[] = {"DB", "SUBST", "NOWHERE"};
    for (const char* f : foundry) {
        proces->params[0].value.s = f;
        EXPECT_EQ(NetPars(nullptr), 1) << f;
    }
    EXPECT_EQ(errors(), (std::vector<std::string>{"MIRTEX: Foundry C_TECH_DB is of unknown typ T_DB_A",
                                                  "MIRTEX: Foundry C_TECH_SUBST is of unknown typ C_SUB",
                                                  "ZOKA, tech data C_TECH_NOWHERE not found, needed by C_PROCES_DEFAULT"}));
    EXPECT_EQ(foundries.entries[10][0], t1);
    EXPECT_EQ(foundries.entry_count, counts);
    EXPECT_EQ(foundries.entry_count[8], 1);

    testing::internal::CaptureStderr();
    EXPECT_EQ(get_tech_data(&foundries, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot find userDef - status=FALSE\n");
    EXPECT_EQ(foundries.entries[10][0], t1);
}

TEST_F(ProcessTest, MissingProcessItem) {
    design.item("C_SUB", "SUB1", design.sub_params);
    EXPECT_EQ(NetPars(nullptr), 1);
    // Another kind of item under the process name has no FOUNDRY to read.
    design.item("C_GRID", "C_PROCES_DEFAULT", design.grid_params);
    EXPECT_EQ(NetPars(nullptr), 1);
    EXPECT_EQ(errors(), (std::vector<std::string>{"MIRTEX: Data Item C_PROCES_DEFAULT not defined",
                                                  "MIRTEX: Data Item C_PROCES_DEFAULT is a C_GRID item, not C_PROCES"}));
}

TEST_F(ProcessTest, OverlongFoundryIsRefusedWhole) {
    design.foundry = std::string(400, 'F');
    design.build();
    EXPECT_EQ(NetPars(nullptr), 1);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_NE(errors()[0].find("FOUNDRY of C_PROCES_DEFAULT is too long (400 characters)"), std::string::npos);
}

// An element resolves the process at most once per analysis; the next
// analysis picks up a changed FOUNDRY, and a failed resolution is retried.
TEST_F(ProcessTest, EachAnalysisResolvesAgain) {
    design.build();
    Params b = with(design.tech_params, "t1", Value::Real(2e-6));
    design.item("C_TECH", "C_TECH_B", b);
    UserInstDef* line = design.line("TL1");
    UserInstDef* proces = host::Host::get().find("C_PROCES_DEFAULT");
    double rho, tand, L;

    ASSERT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ(foundries.resolve_pending, 0);
    EXPECT_EQ(line_dpar[5], 1e-6);

    proces->params[0].value.s = "B";  // changed within the analysis: not seen yet
    ASSERT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ(line_dpar[5], 1e-6);

    ASSERT_EQ(cpw_all_post(line), 1);  // the analysis ends
    EXPECT_EQ(foundries.resolve_pending, 1);
    ASSERT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ(line_dpar[5], 2e-6);

    cpw_all_post(line);
    proces->params[0].value.s = "GONE";
    EXPECT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 1);
    EXPECT_EQ(foundries.resolve_pending, 1);
    EXPECT_EQ(foundries.entries[10][0], 2e-6);
    proces->params[0].value.s = "B";
    EXPECT_EQ(cpw_line_get(line, &warnings, &rho, &tand, &L), 0);
    EXPECT_EQ(foundries.resolve_pending, 0);
}

class DebugItemTest : public ParamsTest {
protected:
    void SetUp() override {
        ParamsTest::SetUp();
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        design.build();
    }
    void debug_item(const std::string& name, const std::string& file, int flag = 1) {
        design.item("C_DEBUG", name, {{"Flag1", Value::Int(flag)}, {"Flag2", Value::Int(1)},
                                      {"Flag3", Value::Int(flag + 1)}, {"Flag4", Value::Int(flag + 2)},
                                      {"FILE", Value::Strg(file)}});
    }
    std::string cwd() const {
        char buf[4096];
        return getcwd(buf, sizeof buf) ? buf : "";
    }
    TempDir dir{"mirtex-debug"};
};

TEST_F(DebugItemTest, DefaultItemWinsAndTheFileGetsItsBanner) {
    debug_item("C_DEBUG1", "one.txt", 5);
    debug_item("C_DEBUG_DEFAULT", "default.txt", 1);
    {
        std::ofstream old(dir.file("default.txt"));
        old << "left over from the last run\n";
    }
    ASSERT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(c_debug.enabled, 1);
    EXPECT_EQ(c_debug.flag_static, 1);
    EXPECT_EQ(c_debug.flag_dynamic, 1);
    EXPECT_EQ(c_debug.flag_inputs, 2);
    EXPECT_EQ(c_debug.flag_spare, 3);
    EXPECT_EQ(std::string(c_debug.file_name), cwd() + "/default.txt");
    EXPECT_EQ(c_debug.stream, nullptr);
    EXPECT_EQ(read(dir.file("default.txt")), "ZOKA Debug File\n\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("one.txt")));
}

TEST_F(DebugItemTest, OtherDebugItemsAreIgnored) {
    MIRTEX_FRESH_PROCESS();
    debug_item("C_DEBUG2", "two.txt");
    ASSERT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(c_debug.enabled, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("two.txt")));

    debug_item("C_DEBUG1", "one.txt", 0);
    ASSERT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(c_debug.enabled, 1);
    EXPECT_EQ(c_debug.flag_inputs, 1);
    EXPECT_EQ(read(dir.file("one.txt")), "ZOKA Debug File\n\n");
}

TEST_F(DebugItemTest, UncreatableFileIsReportedAndResolutionGoesOn) {
    debug_item("C_DEBUG_DEFAULT", "no/such/dir/debug.txt");
    EXPECT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(foundries.table_count, 12);
    EXPECT_EQ(c_debug.enabled, 1);
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot open Debug File: '" + cwd() + "/no/such/dir/debug.txt'!"});
}

TEST_F(DebugItemTest, PathLongerThanTheRecordIsNotCutToAnotherName) {
    const std::string file = std::string(4100, 'd');
    debug_item("C_DEBUG_DEFAULT", file);
    EXPECT_EQ(NetPars(nullptr), 0);
    EXPECT_EQ(c_debug.file_name[0], '\0');
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot open Debug File: '" + cwd() + "/" + file + "'!"});
}

}  // namespace
}  // namespace mirtex::test
