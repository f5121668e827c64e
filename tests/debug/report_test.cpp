// The debug file's static report and per-frequency rows, read back from the
// file; the per-frequency writers run inside an analysis of the stand-in
// host so that its first-frequency flag is real.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "debug/reports.h"
#include "debug/slot_names.h"
#include "host.h"
#include "support/tmpdir.h"

namespace mirtex::test {
namespace {

std::string read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A value as "%-13.5lg  " prints it, from its hand-written digits.
std::string g13(const std::string& digits) { return digits + std::string(13 - digits.size(), ' ') + "  "; }

const std::string kSeparator(68, '_');

class DebugReport : public testing::Test {
protected:
    void SetUp() override {
        c_debug = C_DEBUG_REC{};
        c_debug.enabled = 1;
        c_debug.flag_static = 1;
        c_debug.flag_inputs = 1;
        c_debug.flag_dynamic = 1;
        std::strcpy(c_debug.file_name, file.c_str());
    }
    std::string text() const { return read(file); }

    TempDir dir{"mirtex-debug"};
    std::string file = dir.file("debug.txt");
};

const int kLineI[9] = {15, 30, 20, 100, 50, 100, 50, 230, 4};
const double kLineD[10] = {1, 12.9, 1, 1e-6, 15e-6, 1e-6, 2, 1.8, 1e-4, 4};
const double kLineOut[8] = {1.7e-10, 4.2e-7, 2000, 3.4e-10, 49.7, 6.9, 15e-6, 1e-6};

TEST_F(DebugReport, LineReportNamesEverySlot) {
    debug_static("C_LIN", "TL1", kLineI, 9, kLineD, 10, nullptr, 0, kLineOut, 8);
    const std::string want =
        "C_LIN (TL1): " + kSeparator + "\n\n" +
        " >Input Parameters (int):\n  W/DL=15  2*W/DL=30  2*S/DL=20  2*GW/DL=100  \n"
        "  H3/DL=50  H2/DL=100  H1/DL=50  L1/DL=230  N5=4  " +
        "\n >Input Parameters (double):\n  ER3=" + g13("1") + "ER2=" + g13("12.9") + "ER1=" + g13("1") +
        "\n  DL[m]=" + g13("1e-06") + "W[m]=" + g13("1.5e-05") + "T[m]=" + g13("1e-06") + "MET=" + g13("2") +
        "\n  ALPHA=" + g13("1.8") + "BOUND=" + g13("0.0001") + "VER.=" + g13("4") +
        "\n >Static Output Parameters (double):\n  C'[F/m]=" + g13("1.7e-10") + "L'[H/m]=" + g13("4.2e-07") +
        "R'[Ohm/m]=" + g13("2000") + "G'[S/m]=" + g13("3.4e-10") + "\n  ZL[ohm]=" + g13("49.7") +
        "ER_eff=" + g13("6.9") + "W[m]=" + g13("1.5e-05") + "T[m]=" + g13("1e-06") + "\n\n";
    EXPECT_EQ(text(), want);
}

TEST_F(DebugReport, FeedFormFlagsAndNames) {
    c_debug.flag_static = 0;
    c_debug.flag_inputs = 0;
    debug_static("C_FEED", "TL1", kLineI, 9, kLineD, 10, nullptr, 0, kLineOut, 8);
    debug_static("C_LIN", "", kLineI, 9, kLineD, 10, nullptr, 0, kLineOut, 8);
    const std::string long_name(150, 'n');
    debug_static("C_XYZ", long_name.c_str(), kLineI, 9, kLineD, 10, nullptr, 0, kLineOut, 8);
    EXPECT_EQ(text(), "C_FEED (TL1): \n\n\n\n"
                      "C_LIN (Call from unknown element (no dyn. output)!): " + kSeparator + "\n\n\n\n" +
                      "C_XYZ (" + long_name + "): " + kSeparator + "\n\nNo Debug Information!\n");
}

TEST_F(DebugReport, VectorLongerThanItsNamesEndsTheReport) {
    const int ints[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    debug_static("C_LIN", "TL1", ints, 10, kLineD, 10, nullptr, 0, kLineOut, 8);
    const std::string t = text();
    EXPECT_TRUE(t.ends_with("N5=9  IPar: not enough parameters! (10)\n")) << t;

    std::filesystem::remove(file);
    double out[9] = {};
    debug_static("C_LIN", "TL1", kLineI, 9, kLineD, 10, nullptr, 0, out, 9);
    const std::string u = text();
    EXPECT_TRUE(u.ends_with("T[m]=0              eleOut: not enough parameters! (9)\n")) << u;
}

TEST_F(DebugReport, InterdigitalStopsAtItsMarkerAndMimAddsCapacitancePerArea) {
    std::vector<int> ints(40, 7);
    ints[26] = 26;  // NF, the last named slot
    std::vector<double> reals(12, 1.0), out(16, 0.0);
    debug_static("C_IDC", "C1", ints.data(), 40, reals.data(), 12, nullptr, 0, out.data(), 16);
    const std::string t = text();
    EXPECT_NE(t.find("ART=7  NF=26  \n >Input Parameters (double):\n  ER3="), std::string::npos) << t;
    EXPECT_EQ(t.find("IPar"), std::string::npos);

    std::filesystem::remove(file);
    std::vector<int> mi(18, 1);
    std::vector<double> md(22, 1.0), mo(21, 0.0);
    md[20] = 6.8;    // die_er
    md[21] = 0.2e-6;  // die_h
    debug_static("C_MIM", "M1", mi.data(), 18, md.data(), 22, nullptr, 0, mo.data(), 21);
    const std::string m = text();
    EXPECT_NE(m.find("  LINE1: W/DL=1  "), std::string::npos) << m;
    EXPECT_NE(m.find("\n  LINE2: ER3=1"), std::string::npos) << m;
    EXPECT_NE(m.find("\n         ALPHA=1"), std::string::npos) << m;
    // 8.85419e-12 * 6.8 / 0.2e-6 F/m^2 = 301.04 pF/mm^2.
    EXPECT_NE(m.find("T_TOP[m]=0              \n  C_square [pF/mm^2] = 301.04       \n\n"), std::string::npos) << m;
}

TEST_F(DebugReport, SpiralTableWithTwoTurnsAndSums) {
    std::vector<int> ints(30, 0);
    const int iout[2] = {2, 5};
    // T, Cs, then R, RG, LS, CP for two turns.
    const double out[10] = {3e-6, 1e-15, 1.0, 2.0, 10.0, 20.0, 1e-9, 2e-9, 1e-15, 3e-15};
    std::vector<double> reals(12, 0.0);
    debug_static("C_RIND", "L1", ints.data(), 30, reals.data(), 12, iout, 2, out, 10);
    const std::string t = text();
    EXPECT_NE(t.find("\n >Static Output Parameters (int):\n  NFP=2  5  "), std::string::npos) << t;
    const std::string table = "\n >Static Output Parameters (double):\n            T[m]             Cs:\n"
                              " 3e-06        1e-15       \n"
                              "  R[Ohm]       RG[Ohm]      LS[H]        CP[F]\n"
                              "   1            10           1e-09        1e-15       \n"
                              "   2            20           2e-09        3e-15       \n"
                              "  Sum-R        Sum-RG       Sum-LS       Sum-CP\n"
                              "   3            30           3e-09        4e-15       \n\n\n";
    EXPECT_TRUE(t.ends_with(table)) << t;

    // A turn count the results cannot hold is reported, not read past.
    std::filesystem::remove(file);
    const int many[2] = {3, 0};
    debug_static("C_RIND", "L1", ints.data(), 30, reals.data(), 12, many, 2, out, 10);
    EXPECT_NE(text().find("eleOut: 10 values cannot hold 3 turns!\n"), std::string::npos) << text();
}

TEST_F(DebugReport, CoupledSectionMatrices) {
    const int ints[11] = {2, 0, 1, 1, 0, 0, 4, 200, 50, 100, 50};
    const double reals[12] = {1, 12.9, 1, 1e-6, 1e-6, 2, 1e-4, 1.8, 0.5, 4, 77, 88};
    // Leading value, C' (F/m), C0' (F/m), R' (Ohm/m).
    const double out[13] = {0, 1e-10, -2e-11, -2e-11, 1e-10, 3e-11, 0, 0, 3e-11, 500, 5, 5, 500};
    debug_static("C_COUP", "K1", ints, 11, reals, 12, nullptr, 0, out, 13);
    const std::string t = text();
    EXPECT_NE(t.find("VER.=4              \n  more DPar: 77             88             "), std::string::npos) << t;
    const std::string mats = "Capacitance in Units per Length: C' [pF/m]\n  "
                             " 100         \t-20          \t\n  -20          \t 100         \t\n  "
                             "\n  Capacitance in Units per Length: C0' [pF/m]\n  "
                             " 30          \t 0           \t\n   0           \t 30          \t\n  "
                             "\n  Resistance in Units per Length: R' [Ohm/m]\n  "
                             " 500         \t 5           \t\n   5           \t 500         \t\n  \n\n\n\n";
    EXPECT_TRUE(t.ends_with(mats)) << t;

    std::filesystem::remove(file);
    debug_static("C_COUP", "K1", ints, 11, reals, 12, nullptr, 0, out, 12);
    EXPECT_NE(text().find("eleOut: 12 values cannot hold three 2 x 2 matrices!\n"), std::string::npos);
}

// Every list that closes with the end marker names exactly the slots of the
// vectors the builders and solvers fill.
TEST(SlotNames, ListsMatchTheVectorSizes) {
    struct Kind {
        const char* label;
        int n_ipar, n_ipar_out, n_dpar, n_dpar_out;
    };
    const Kind kinds[] = {
        {"C_LIN", line_n_ipar, line_n_ipar_out, line_n_dpar, line_n_dpar_out},
        {"C_FEED", feed_n_ipar, feed_n_ipar_out, feed_n_dpar, feed_n_dpar_out},
        {"C_METVIA", line_n_ipar, line_n_ipar_out, line_n_dpar, line_n_dpar_out},
        {"C_OPEN", open_n_ipar, open_n_ipar_out, open_n_dpar, open_n_dpar_out},
        {"C_SHORT", short_n_ipar, short_n_ipar_out, short_n_dpar, short_n_dpar_out},
        {"C_GAP", gap_n_ipar, gap_n_ipar_out, gap_n_dpar, gap_n_dpar_out},
        {"C_STEP", step_n_ipar, step_n_ipar_out, step_n_dpar, step_n_dpar_out},
        {"C_TAPER", taper_n_ipar, taper_n_ipar_out, taper_n_dpar, taper_n_dpar_out},
        {"C_AIR", bruecke_n_ipar, bruecke_n_ipar_out, bruecke_n_dpar, bruecke_n_dpar_out},
        {"C_BEND", bend_n_ipar, bend_n_ipar_out, bend_n_dpar, bend_n_dpar_out},
        {"C_TEE", tee_n_ipar, tee_n_ipar_out, tee_n_dpar, tee_n_dpar_out},
        {"C_CROSS", cross_n_ipar, cross_n_ipar_out, cross_n_dpar, cross_n_dpar_out},
        {"C_IDC", idc_n_ipar, idc_n_ipar_out, idc_n_dpar, idc_n_dpar_out},
        {"C_MIM", mim_n_ipar, mim_n_ipar_out, mim_n_dpar, mim_n_dpar_out},
        {"C_CAPLIN", mimlin_n_ipar, mimlin_n_ipar_out, mimlin_n_dpar, mimlin_n_dpar_out},
        {"C_TFR", tfr_n_ipar, tfr_n_ipar_out, tfr_n_dpar, tfr_n_dpar_out},
        {"C_TFG", tfg_n_ipar, tfg_n_ipar_out, tfg_n_dpar, tfg_n_dpar_out},
        {"C_COUP", coup_n_ipar, coup_n_ipar_out, coup_n_dpar, coup_n_dpar_out},
    };
    auto check = [](const char* label, const char* list, const std::vector<std::string_view>& names, int n) {
        ASSERT_FALSE(names.empty());
        const std::string_view last = names.back();
        EXPECT_TRUE(last == debug::kEnd || last == debug::kUnnamed) << label << " " << list;
        for (std::size_t i = 0; i + 1 < names.size(); ++i)
            EXPECT_FALSE(names[i] == debug::kEnd || names[i] == debug::kUnnamed) << label << " " << list;
        if (last != debug::kEnd || n == 0 || names.size() == 1) return;
        std::size_t named = names.size() - 1;
        if (names.size() >= 2 && names[names.size() - 2] == debug::kStopInts) --named;
        EXPECT_EQ(named, static_cast<std::size_t>(n)) << label << " " << list;
    };
    for (const Kind& k : kinds) {
        const debug::SlotNames* s = debug::slot_names(k.label);
        ASSERT_NE(s, nullptr) << k.label;
        check(k.label, "ipar", s->ipar, k.n_ipar);
        check(k.label, "ipar_out", s->ipar_out, k.n_ipar_out);
        check(k.label, "dpar", s->dpar, k.n_dpar);
        check(k.label, "dpar_out", s->dpar_out, k.n_dpar_out);
    }
    EXPECT_EQ(debug::slot_names("C_IDC")->ipar.size(), 29u);  // 27 names, "#", "*"
    EXPECT_EQ(debug::slot_names("C_RIND")->ipar.size(), 31u);
    EXPECT_EQ(debug::slot_names("C_LINTYP"), nullptr);
}

// ------------------------------------------------------ per-frequency rows

// A test element whose Y callback runs the per-frequency writers, so that
// they see the host's first-frequency flag as an element does.
int writers_y(UserInstDef* inst, double omega, COMPLEX* y) {
    const double f = omega / 6.283185307179586;
    debug_line("C_LIN", inst->name, f, 12.5, 1e-4, COMPLEX{50, -1}, COMPLEX{0.25, 100});
    debug_line("C_TFR", inst->name, f, 0, 0, COMPLEX{0, -20}, COMPLEX{1, 2});
    debug_line("C_LIN", "", f, 0, 0, COMPLEX{1, 0}, COMPLEX{0, 0});
    // The axes: a real impedance has angle 0 whatever its sign, an
    // imaginary one +-90.
    if (f < 1.5e9) {
        debug_line("C_TFR", "NEG", f, 0, 0, COMPLEX{-5, 0}, COMPLEX{0, 0});
        debug_line("C_TFR", "UP", f, 0, 0, COMPLEX{0, 3}, COMPLEX{0, 0});
    }
    debug_R3("C_TEE", inst->name, f, 3.0, 1.0, 2.0);
    debug_dyn_empty("C_GAp", inst->name);
    for (int i = 0; i < 4; ++i) y[i] = COMPLEX{0, 0};
    return 1;
}

UserElemDef writers_def = {"TDEBUGW", 2, 0, nullptr, nullptr, writers_y, nullptr, nullptr, {}};

std::vector<std::string> rows_of(const std::string& t) {
    std::vector<std::string> out;
    std::stringstream s(t);
    for (std::string l; std::getline(s, l);) out.push_back(l);
    return out;
}

TEST_F(DebugReport, PerFrequencyRowsWithHeadingsAtTheFirstPointOnly) {
    host::Host& h = host::Host::get();
    ASSERT_EQ(h.register_definitions(&writers_def, 1, "test"), 1);
    UserInstDef* d = h.create("TDEBUGW", "D1", {});
    ASSERT_TRUE(h.analyse({d}, {1e9, 2e9}).ok);
    const std::vector<std::string> want = {
        "C_LIN(D1):",
        "Element  f[GHz]  R[Ohm]       G[S]         |ZL|[Ohm]    Ang(ZL)  alpha[dB/m]  beta[1/m]",
        "D1        1       12.5         0.0001       50.01       -1.1458       2.1715       100         ",
        "C_TFR(D1):",
        "Element  f[GHz]  |ZL|[Ohm]    Ang(ZL)  alpha[dB/m]  beta[1/m]",
        "D1        1       20          -90           8.686        2           ",
        "C_TFR(NEG):",
        "Element  f[GHz]  |ZL|[Ohm]    Ang(ZL)  alpha[dB/m]  beta[1/m]",
        "NEG       1       5            0            0            0           ",
        "C_TFR(UP):",
        "Element  f[GHz]  |ZL|[Ohm]    Ang(ZL)  alpha[dB/m]  beta[1/m]",
        "UP        1       3            90           0            0           ",
        "C_TEE(D1):",
        "Element  f[GHz]  R3[Ohm]      R1[Ohm]      R2[Ohm]",
        "D1        1       3            1            2           ",
        "C_GAp(D1): no dynamic debug infos",
        "D1        2       12.5         0.0001       50.01       -1.1458       2.1715       100         ",
        "D1        2       20          -90           8.686        2           ",
        "D1        2       3            1            2           ",
    };
    EXPECT_EQ(rows_of(text()), want);

    // Without Flag2 the rows stay out of the file.
    std::filesystem::remove(file);
    c_debug.flag_dynamic = 0;
    ASSERT_TRUE(h.analyse({d}, {1e9}).ok);
    EXPECT_FALSE(std::filesystem::exists(file));
}

int coup_y(UserInstDef* inst, double omega, COMPLEX* y) {
    COMPLEX row1[3] = {{0, 0}, {1e-3, 2e-3}, {-5e-4, 0}};
    COMPLEX row2[3] = {{0, 0}, {-5e-4, 0}, {1e-3, 2e-3}};
    COMPLEX* rows[3] = {nullptr, row1, row2};
    debug_Coup("C_COUP", inst->name, 2, omega / 6.283185307179586, 1e-3, 4.5e7, rows, rows, rows);
    for (int i = 0; i < 4; ++i) y[i] = COMPLEX{0, 0};
    return 1;
}

UserElemDef coup_def = {"TDEBUGC", 2, 0, nullptr, nullptr, coup_y, nullptr, nullptr, {}};

TEST_F(DebugReport, CoupledRowsPrintTheirMatrices) {
    host::Host& h = host::Host::get();
    ASSERT_EQ(h.register_definitions(&coup_def, 1, "test"), 1);
    UserInstDef* d = h.create("TDEBUGC", "K1", {});
    ASSERT_TRUE(h.analyse({d}, {5e9}).ok);
    const std::string want = "C_COUP(K1):\nLines = 2, Length =    0.001 m, Kappa =  4.5e+07\n"
                             "\nZl - Matrix of K1 at           5 GHz\n  "
                             "   0.001+j(   0.002)\t -0.0005+j(       0)\t\n  "
                             " -0.0005+j(       0)\t   0.001+j(   0.002)\t\n  \n"
                             "\nGamma - Matrix of K1 at        5 GHz\n  "
                             "   0.001+j(   0.002)\t -0.0005+j(       0)\t\n  "
                             " -0.0005+j(       0)\t   0.001+j(   0.002)\t\n  \n"
                             "\nY - Matrix of K1 at            5 GHz\n  "
                             "1.0000e-03+j(2.0000e-03)\t-5.0000e-04+j(0.0000e+00)\t"
                             "-5.0000e-04+j(0.0000e+00)\t1.0000e-03+j(2.0000e-03)\t\n";
    EXPECT_EQ(text(), want);
}

}  // namespace
}  // namespace mirtex::test
