// Three-dimensional elements on the G1 line (thin metal, 500 um box) at DL
// 5 um: solves side by side store the serial values bit for bit (in a
// smaller box at DL 2.5 um, coarse-started), and the
// values extrapolated to the fine-grid limit live apart from the plain ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cache/cache.h"
#include "cache/calc_file.h"
#include "host.h"
#include "mirtex/mirtex.h"
#include "solver/kernel.h"
#include "support/design.h"

extern "C" int mirtex_describe_instance(UserInstDef* inst, double f, char* buf, int size);

namespace mirtex::test {
namespace {

using host::Host;

class Limit : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        design.cpw50_on_gaas();
        design.build();
        design.item("C_AIRTYP", "NONE",
                    {{"TYPE", Value::Int(0)}, {"BW", Value::Real(10e-6)}, {"BG", Value::Real(5e-6)},
                     {"BS", Value::Real(-1)}, {"DIE_IDX", Value::Int(1)}, {"L", Value::Real(0)}});
        Params g = with(design.grid_params, "DL", Value::Real(5e-6));
        design.item("C_GRID", "G1BOX", with(with(g, "L1", Value::Real(500e-6)), "L2", Value::Real(500e-6)));
    }
    void TearDown() override {
        unsetenv("MIRTEX_EXTRAPOLATE");
        unsetenv("MIRTEX_THREADS");
        unsetenv("MIRTEX_GRID_LIMIT_MB");
    }
    UserInstDef* element(const std::string& def, const std::string& name, Params p) const {
        for (auto [k, v] : {std::pair{"C_SUB", design.sub}, {"C_GRID", grid}})
            p.push_back({k, Value::Mtrl(v)});
        p.push_back({"TEMP", Value::Real(16.85)});
        return design.item(def, name, p);
    }
    UserInstDef* two_port(const std::string& def, const std::string& name, const char* key, double len) const {
        const Value lt = Value::Mtrl(design.lintyp);
        return element(def, name,
                       {{"L1", Value::Real(0)}, {"L2", Value::Real(0)}, {key, Value::Real(len)}, {"C_LTYP1", lt},
                        {"C_LTYP2", lt}});
    }
    // Analyses insts with empty result chains (the calculation files stay
    // unless fresh); true when some solver ran.
    bool analyse(const std::vector<UserInstDef*>& insts, bool fresh = false) {
        // Chains are never freed: the emptied ones are parked where the
        // leak checker still sees them at exit (a list never destroyed).
        static auto* const parked = new std::vector<CACHE*>;
#define MIRTEX_FORGET(kind) parked->push_back(std::exchange(root_##kind, nullptr));
        MIRTEX_CACHE_ROOTS(MIRTEX_FORGET)
#undef MIRTEX_FORGET
        if (fresh)
            for (const auto& f : std::filesystem::directory_iterator(table_directory()))
                std::filesystem::remove(f.path());
        Host& h = Host::get();
        h.clear_log();
        EXPECT_TRUE(h.analyse(insts, {1e9}).ok);
        for (const auto& l : h.log())
            if (l.text.starts_with("Calculating C_")) return true;
        return false;
    }
    static std::string described(UserInstDef* inst) {
        char buf[512];
        return mirtex_describe_instance(inst, 1e9, buf, sizeof buf) == 0 ? buf : "";
    }
    static bool logged(const std::string& part) {
        for (const auto& l : Host::get().log())
            if (l.text.find(part) != std::string::npos) return true;
        return false;
    }
    Design design;
    std::string grid = "G1BOX";
};

TEST_F(Limit, RunsAndGeometriesSideBySideStoreTheSerialValuesBitForBit) {
    // A 240 um box at DL 2.5 um: its runs start from the grid of twice the
    // step, side by side as well as one after the other.
    grid = "G1NEST";
    design.item("C_GRID", grid,
                with(with(design.grid_params, "L1", Value::Real(240e-6)), "L2", Value::Real(240e-6)));
    const Value lt = Value::Mtrl(design.lintyp), none = Value::Mtrl("NONE");
    UserInstDef* gap = two_port("CxGAP", "G", "GAP", 10e-6);
    UserInstDef* tee = element("CxTEE", "T", {{"C_LTYP1", lt}, {"C_LTYP2", lt}, {"C_LTYP3", lt},
                                              {"C_BTYP1", none}, {"C_BTYP2", none}, {"C_BTYP3", none}});
    auto values = [] {
        std::vector<double> v(gap_dpar_out, gap_dpar_out + 11);
        v.insert(v.end(), tee_dpar_out, tee_dpar_out + 32);
        return v;
    };
    setenv("MIRTEX_THREADS", "1", 1);
    const long long coarse = solver::relax_counters().coarse_sweeps;
    analyse({gap, tee}, true);
    EXPECT_GT(solver::relax_counters().coarse_sweeps, coarse);
    const std::vector<double> serial = values();
    setenv("MIRTEX_THREADS", "2", 1);
    analyse({gap}, true);  // each element's runs side by side
    analyse({tee}, true);
    EXPECT_EQ(values(), serial);
    analyse({gap, tee}, true);  // the two geometries side by side
    EXPECT_EQ(values(), serial);
}

TEST_F(Limit, ExtrapolatedAndPlainRecordsStayApartInTheChainsAndTheFiles) {
    UserInstDef* open = element("CxOPEN", "E", {{"L", Value::Real(0)}, {"GAP", Value::Real(30e-6)},
                                                {"WG", Value::Real(20e-6)}, {"TYPE", Value::Int(1)},
                                                {"C_LTYP", Value::Mtrl(design.lintyp)}});
    ASSERT_TRUE(analyse({open}, true));
    const double plain = open_dpar_out[0];
    EXPECT_NE(described(open).find("(DL 5 um)"), std::string::npos) << described(open);
    setenv("MIRTEX_EXTRAPOLATE", "1", 1);
    EXPECT_TRUE(analyse({open}));  // the plain record serves DL; 2 DL is solved
    const double limit = open_dpar_out[0];
    // C_end grows towards its full-wave 1.87 fF as the grid refines.
    EXPECT_GT(limit, plain * 1.005);
    EXPECT_NE(described(open).find("extrapolated from DL 5 and 10 um"), std::string::npos) << described(open);

    // Both from the file, each in its own mode, nothing solved.
    EXPECT_FALSE(analyse({open}));
    EXPECT_EQ(open_dpar_out[0], limit);
    unsetenv("MIRTEX_EXTRAPOLATE");
    EXPECT_FALSE(analyse({open}));
    EXPECT_EQ(open_dpar_out[0], plain);
    EXPECT_NE(described(open).find("(DL 5 um)"), std::string::npos) << described(open);
}

// The spiral's result vector is a column of values per segment: its
// segment capacitances (from the field) are extrapolated, its inductances
// (closed forms on the drawn geometry) are the same on both grids and stay.
TEST_F(Limit, TheSpiralsSegmentCapacitancesAreExtrapolatedItsInductancesStay) {
    design.item("C_AIRTYP", "BR", {{"TYPE", Value::Int(2)}, {"BW", Value::Real(10e-6)}, {"BG", Value::Real(5e-6)},
                                   {"BS", Value::Real(-1)}, {"DIE_IDX", Value::Int(1)}, {"L", Value::Real(0)}});
    const Value lt = Value::Mtrl(design.lintyp);
    UserInstDef* spiral = element("CxRIND", "L", {{"L1", Value::Real(0)}, {"L2", Value::Real(0)},
                                                  {"N", Value::Real(1.5)}, {"WT", Value::Real(10e-6)},
                                                  {"ST", Value::Real(10e-6)}, {"I_DIA1", Value::Real(60e-6)},
                                                  {"I_DIA2", Value::Real(60e-6)}, {"S", Value::Real(20e-6)},
                                                  {"INDLEVEL", Value::Int(1)}, {"C_LTYP1", lt}, {"C_LTYP2", lt},
                                                  {"C_BTR", Value::Mtrl("BR")}});
    auto column = [](int c) {  // the sum of one per-segment column
        const int n = rindE_ipar_out[0];
        double sum = 0;
        for (int s = 0; s < n; ++s) sum += rindE_dpar_out[2 + c * n + s];
        return sum;
    };
    ASSERT_TRUE(analyse({spiral}, true));
    const double L = column(2), C = column(3);
    // Solved by the pool ahead of the pre steps, beside a gap, in a result
    // vector the solver sizes itself: the serial values bit for bit.
    const std::vector<double> serial(rindE_dpar_out, rindE_dpar_out + rindE_n_dpar_out);
    setenv("MIRTEX_THREADS", "2", 1);
    ASSERT_TRUE(analyse({spiral, two_port("CxGAP", "G", "GAP", 10e-6)}, true));
    EXPECT_EQ(std::vector<double>(rindE_dpar_out, rindE_dpar_out + rindE_n_dpar_out), serial);
    unsetenv("MIRTEX_THREADS");
    setenv("MIRTEX_EXTRAPOLATE", "1", 1);
    EXPECT_TRUE(analyse({spiral}));
    EXPECT_FALSE(logged("not extrapolated")) << "the grids disagree";
    EXPECT_NEAR(column(2), L, 1e-3 * L);  // snapping moves the bridge's axis by a fraction of a step
    EXPECT_GT(column(3), C * 1.01);       // C grows as the grid refines
    EXPECT_NE(described(spiral).find("(C, Q_peak, f_Q, f_res extrapolated from DL 5 and 10 um; the others at DL 5 um)"),
              std::string::npos)
        << described(spiral);
    const double limit = column(3);
    EXPECT_FALSE(analyse({spiral}));  // from its own record in the file
    EXPECT_EQ(column(3), limit);
}

// A step between equal lines adds nothing: its values are what the stop
// bound leaves, no series in DL, and the two grids do not agree on them.
TEST_F(Limit, GridsThatDisagreeLeaveTheValuesAtDLWithAWarning) {
    UserInstDef* step = two_port("CxSTEP", "S", "SL", 0.0);
    setenv("MIRTEX_EXTRAPOLATE", "1", 1);
    analyse({step}, true);
    EXPECT_TRUE(logged("WARNING C_STEP(S) : values not extrapolated to the fine-grid limit")) << "no warning";
    const std::vector<double> kept(step_dpar_out, step_dpar_out + 11);
    EXPECT_NE(described(step).find("(DL 5 um)"), std::string::npos) << described(step);
    unsetenv("MIRTEX_EXTRAPOLATE");
    EXPECT_FALSE(analyse({step}));
    EXPECT_EQ(std::vector<double>(step_dpar_out, step_dpar_out + 11), kept);
}

// A failure is told once, as the serial solve tells it, though the gap's
// runs fail side by side and its geometry failed ahead of its pre step.
TEST_F(Limit, AFailureSideBySideIsToldOnce) {
    UserInstDef* a = two_port("CxGAP", "GA", "GAP", 10e-6);
    UserInstDef* b = two_port("CxGAP", "GB", "GAP", 20e-6);
    setenv("MIRTEX_THREADS", "2", 1);
    setenv("MIRTEX_GRID_LIMIT_MB", "1", 1);
    Host& h = Host::get();
    h.clear_log();
    EXPECT_FALSE(h.analyse({a, b}, {1e9}).ok);
    int told = 0;
    for (const auto& l : h.log()) told += l.text.find("(MIRTEX_GRID_LIMIT_MB)") != std::string::npos;
    EXPECT_EQ(told, 1);  // the analysis ends at the first element that fails
}

}  // namespace
}  // namespace mirtex::test
