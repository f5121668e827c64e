// Junctions solved on the three-dimensional grid and evaluated through the
// host: what a bridge adds to a line, a bend's symmetry, the arms of a tee
// and a cross, reciprocity and passivity of every network.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include "host.h"
#include "mirtex/mirtex.h"
#include "solver/solver.h"
#include "support/design.h"

namespace mirtex::test {
namespace {

using host::Host;
using cd = std::complex<double>;

class Junctions : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        design.cpw50_on_gaas();
        // A second air level for the bridges, 6 um up.
        design.tech_params = with(design.tech_params, "die_h2", Value::Real(6e-6));
        design.tech_params = with(design.tech_params, "die_er2", Value::Real(1.0));
        design.build();
        bridge("NONE", 0, 10e-6, 5e-6);
    }
    void bridge(const std::string& name, int type, double bw, double bg, double L = 0.0) const {
        design.item("C_AIRTYP", name,
                    {{"TYPE", Value::Int(type)},
                     {"BW", Value::Real(bw)},
                     {"BG", Value::Real(bg)},
                     {"BS", Value::Real(-1)},
                     {"DIE_IDX", Value::Int(1)},
                     {"L", Value::Real(L)}});
    }
    Params common(Params p) const {
        p.push_back({"C_SUB", Value::Mtrl(design.sub)});
        p.push_back({"C_GRID", Value::Mtrl(grid)});
        p.push_back({"TEMP", Value::Real(16.85)});
        return p;
    }
    // The grid of the junctions made from now on.
    std::string grid = "GRID1";
    // A junction of n arms with line types lt[k] and bridges br[k].
    UserInstDef* junction(const std::string& def, const std::string& name, std::vector<std::string> lt,
                          std::vector<std::string> br) const {
        Params p;
        if (lt.size() == 1) {
            p = {{"C_LTYP", Value::Mtrl(lt[0])}, {"C_BTYP", Value::Mtrl(br[0])}};
        } else {
            for (std::size_t k = 0; k < lt.size(); ++k)
                p.push_back({"C_LTYP" + std::to_string(k + 1), Value::Mtrl(lt[k])});
            for (std::size_t k = 0; k < br.size(); ++k)
                p.push_back({"C_BTYP" + std::to_string(k + 1), Value::Mtrl(br[k])});
        }
        return design.item(def, name, common(p));
    }

    Design design;
};

// Y is symmetric, and its Hermitian part is positive definite: the
// pivots of its elimination are all positive.
void expect_reciprocal_and_passive(const std::vector<cd>& y, const std::string& what) {
    const std::size_t n = static_cast<std::size_t>(std::lround(std::sqrt(double(y.size()))));
    ASSERT_EQ(n * n, y.size()) << what;
    double scale = 0;
    for (const cd& v : y) scale = std::max(scale, std::abs(v));
    std::vector<cd> h(n * n);
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t c = 0; c < n; ++c) {
            EXPECT_LE(std::abs(y[r * n + c] - y[c * n + r]), 1e-12 * scale) << what << " (" << r << "," << c << ")";
            h[r * n + c] = 0.5 * (y[r * n + c] + std::conj(y[c * n + r]));
        }
    for (std::size_t k = 0; k < n; ++k) {
        EXPECT_GT(h[k * n + k].real(), 0.0) << what << " pivot " << k;
        for (std::size_t r = k + 1; r < n; ++r) {
            const cd m = h[r * n + k] / h[k * n + k];
            for (std::size_t c = k; c < n; ++c) h[r * n + c] -= m * h[k * n + c];
        }
    }
}

// Y of a junction over the band, each checked.
std::vector<cd> checked_y(UserInstDef* inst, const std::string& what);

constexpr double kEps0 = 8.8541843e-12;

// Values for the test report, in SI units.
std::string sci(std::initializer_list<double> v) {
    std::string out;
    char buf[32];
    for (double x : v) {
        std::snprintf(buf, sizeof buf, "%s%.4g", out.empty() ? "" : " ", x);
        out += buf;
    }
    return out;
}

TEST_F(Junctions, BridgeAddsCapacitanceThatGrowsWithItsWidthAndFallsWithItsHeight) {
    // Air bridges 10 and 20 um wide on the 3 um level, and 10 um wide on a
    // second air level 6 um up; then the same line on metal 2 under a
    // bridge on metal 1 (the inverted bridge).
    bridge("B10", 2, 10e-6, 5e-6, 100e-6);
    bridge("B20", 2, 20e-6, 5e-6, 100e-6);
    design.item("C_AIRTYP", "HIGH",
                {{"TYPE", Value::Int(2)},
                 {"BW", Value::Real(10e-6)},
                 {"BG", Value::Real(5e-6)},
                 {"BS", Value::Real(-1)},
                 {"DIE_IDX", Value::Int(2)},
                 {"L", Value::Real(0.0)}});
    design.line_type("UPPER", {{"CEN_MET", Value::Int(2)}, {"GND_MET", Value::Int(2)}});
    bridge("UNDER", 1, 10e-6, 5e-6);
    std::vector<double> cp;
    for (const auto& [lt, br] : {std::pair<std::string, std::string>{design.lintyp, "B10"},
                                 {design.lintyp, "B20"},
                                 {design.lintyp, "HIGH"},
                                 {"UPPER", "UNDER"}}) {
        checked_y(junction("CxAIR", "A" + br, {lt}, {br}), "CxAIR " + br);
        const double* r = bruecke_dpar_out;
        cp.push_back(r[1]);
        RecordProperty("air_" + br + "_L_Cp", sci({r[0], r[1]}));
        // The bridge's own cross-section is the feed line's (its metal
        // thickness aside: the bridge level takes the metal rows; the box's
        // walls raise L' by a few per cent); strip and bridge enclose a
        // smaller loop than strip and slots, so the series inductance
        // falls; the bridge code comes back as given.
        EXPECT_NEAR(r[3] / feed1_dpar_out[0], 1.0, 0.03) << br;
        if (br != "UNDER") {
            EXPECT_NEAR(r[4] / feed1_dpar_out[1], 1.0, 0.05) << br;
        }
        EXPECT_LT(r[0], 0.0) << br;
        EXPECT_EQ(bruecke_ipar_out[0], br == "UNDER" ? 2 : 1);
        // A deck adds at least the parallel plates of strip and deck, W x BW
        // over die_h; a climbing strip adds them less what it no longer
        // holds on the metal plane over BW + 2 BG.
        const double plates = kEps0 * r[7] * r[8] / (br == "HIGH" ? 6e-6 : 3e-6);
        EXPECT_GT(r[1], br == "UNDER" ? plates - feed1_dpar_out[0] * (r[8] + 2 * r[9]) : plates) << br;
        const double tand = br == "HIGH" ? 2e-3 : 1e-4;  // of the bridge dielectric
        EXPECT_NEAR(r[2], tand * plates, 1e-6 * r[2]) << br;
    }
    EXPECT_GT(cp[1], cp[0]);
    EXPECT_LT(cp[2], cp[0]);

    // The same vectors again read the calculation file, bridge code and all.
    Host::get().clear_log();
    double again[12] = {};
    int code = 0;
    ASSERT_EQ(Calc_Air(0, bruecke_ipar, bruecke_dpar, &code, again), 0);
    EXPECT_EQ(std::vector<double>(again, again + 12), std::vector<double>(bruecke_dpar_out, bruecke_dpar_out + 12));
    EXPECT_EQ(code, 2);
    for (const auto& l : Host::get().log()) EXPECT_EQ(l.text.find("Calculating"), std::string::npos) << l.text;
}

// In the slot problem a crossing on the metal plane (code 2) joins the
// grounds over BW: each slot stops there as at a short end.  The bridge's
// series inductance is then the two short ends' excess less the slot line
// the crossing removes: 2 L_end - L' (BW + d), with d within a grid step
// (the crossing's nodes cover BW and half a step beyond each edge).
TEST_F(Junctions, BridgeCrossingCutsTheSlotsIntoTwoShortEnds) {
    design.item("C_GRID", "COARSE", with(design.grid_params, "DL", Value::Real(5e-6)));
    grid = "COARSE";
    const std::string c = design.lintyp;
    double total[2] = {}, lprime = 0.0;
    for (int k = 0; k < 2; ++k) {
        const double bw = 40e-6 * (k + 1);
        bridge("X" + std::to_string(k), 2, bw, 5e-6, 100e-6);
        checked_y(junction("CxAIR", "AX" + std::to_string(k), {c}, {"X" + std::to_string(k)}), "crossing");
        total[k] = 2 * bruecke_dpar_out[0];  // two equal halves around the shunt branch
        lprime = bruecke_dpar_out[4];
    }
    y_at(design.item("CxSHORT", "SX", common({{"L", Value::Real(0)}, {"WG", Value::Real(40e-6)}, {"C_LTYP", Value::Mtrl(c)}})),
         1e9);
    const double l_end = short_dpar_out[0];
    RecordProperty("crossing_L40_L80_Lend", sci({total[0], total[1], l_end}));
    EXPECT_NEAR((total[0] - total[1]) / (40e-6 * lprime), 1.0, 0.03);
    const double d = (2 * l_end - total[1]) / lprime - 80e-6;
    EXPECT_GT(d, 0.0);
    EXPECT_LT(d, 5e-6);
}

TEST_F(Junctions, BendArmsFollowTheirLines) {
    design.line_type("WIDE", {{"W", Value::Real(40e-6)}, {"S", Value::Real(20e-6)}});
    const std::string cpw = design.lintyp;
    checked_y(junction("CxBEND", "B0", {cpw, cpw}, {"NONE", "NONE"}), "symmetric bend");
    const std::vector<double> sym(bend_dpar_out, bend_dpar_out + 22);
    // Arms as long as the line's own cross-section; a current that cuts
    // the inner corner is shorter than the centre lines.
    EXPECT_NEAR(sym[0] / sym[1], 1.0, 1e-3);
    EXPECT_LT(sym[0], 0.0);
    for (int k : {4, 8}) {
        EXPECT_NEAR(sym[k] / feed1_dpar_out[0], 1.0, 0.01);
        EXPECT_NEAR(sym[k + 1] / feed1_dpar_out[1], 1.0, 0.01);
    }
    checked_y(junction("CxBEND", "B1", {cpw, "WIDE"}, {"NONE", "NONE"}), "bend to a wide line");
    const std::vector<double> a(bend_dpar_out, bend_dpar_out + 22);
    checked_y(junction("CxBEND", "B2", {"WIDE", cpw}, {"NONE", "NONE"}), "bend from a wide line");
    const std::vector<double> b(bend_dpar_out, bend_dpar_out + 22);
    RecordProperty("bend_L1_L2_Cp", sci({a[0], a[1], a[2]}));
    // The mirror image: the arms' values change places with their lines.
    EXPECT_NEAR(a[0] / b[1], 1.0, 0.02);
    EXPECT_NEAR(a[1] / b[0], 1.0, 0.02);
    EXPECT_NEAR(a[2] / b[2], 1.0, 0.02);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(a[4 + k] / b[8 + k], 1.0, 0.01) << k;
    // The step's rule: the arm of the larger L' (the narrow line) takes the
    // smaller share.
    EXPECT_LT(std::abs(a[0]), std::abs(a[1]));
}

TEST_F(Junctions, TeeAndCrossArmsAreAlikeAndAPortSwapOnlyPermutesTheMatrix) {
    // Symmetries hold on any grid: a step of 5 um keeps the six solves short.
    design.item("C_GRID", "COARSE", with(design.grid_params, "DL", Value::Real(5e-6)));
    grid = "COARSE";
    design.line_type("WIDE", {{"W", Value::Real(40e-6)}, {"S", Value::Real(20e-6)}});
    const std::string c = design.lintyp;
    bridge("FEED", 0, 10e-6, 5e-6, 150e-6);
    checked_y(junction("CxTEE", "T0", {c, c, c}, {"FEED", "FEED", "FEED"}), "tee");
    // The branch (a strip of an even number of nodes) lies half a fine step
    // off the box's centre, so the side arms differ by a step in length and
    // by 1.4 % in their excess at this step.
    EXPECT_NEAR(tee_dpar_out[1] / tee_dpar_out[2], 1.0, 0.02);
    EXPECT_NEAR(tee_dpar_out[9] / tee_dpar_out[13], 1.0, 0.01);
    RecordProperty("tee_L3_L1_Cp", sci({tee_dpar_out[0], tee_dpar_out[1], tee_dpar_out[3]}));
    checked_y(junction("CxCROSS", "X0", {c, c, c, c}, {"FEED", "FEED", "FEED", "FEED"}), "cross");
    for (int k = 1; k < 4; ++k) {
        EXPECT_NEAR(cross_dpar_out[k] / cross_dpar_out[0], 1.0, 0.01) << k;
        EXPECT_NEAR(cross_dpar_out[8 + 4 * k] / cross_dpar_out[8], 1.0, 0.01) << k;
    }
    RecordProperty("cross_L1_L5_Cp", sci({cross_dpar_out[0], cross_dpar_out[4], cross_dpar_out[5]}));

    // The wide line at one port, then at the port it swaps with: the same
    // solve with the swap flag set, so the inductances change places bit
    // for bit, and the matrices agree once the ports are swapped (the feed
    // lines join in another order).  Inductances: the tee's L3, L1, L2,
    // the cross's L1, L2, L4, L3.
    auto swapped = [&](const std::string& def, std::vector<std::string> lt1, std::vector<std::string> lt2, int p, int q,
                       const double* const& out, int lp, int lq) {
        const std::vector<std::string> br(lt1.size(), "FEED");
        static int made = 0;
        ++made;
        const std::vector<cd> y1 = checked_y(junction(def, def + std::to_string(made) + "a", lt1, br), def);
        const double l1p = out[lp], l1q = out[lq];
        const std::vector<cd> y2 = checked_y(junction(def, def + std::to_string(made) + "b", lt2, br), def);
        EXPECT_EQ(l1p, out[lq]) << def;
        EXPECT_EQ(l1q, out[lp]) << def;
        const int n = static_cast<int>(lt1.size());
        auto perm = [&](int k) { return k == p ? q : k == q ? p : k; };
        for (std::size_t f = 0; f < y1.size() / (n * n); ++f)
            for (int r = 0; r < n; ++r)
                for (int k = 0; k < n; ++k) {
                    const cd a = y1[f * n * n + r * n + k], b = y2[f * n * n + perm(r) * n + perm(k)];
                    EXPECT_LE(std::abs(a - b), 1e-12 * std::abs(a))
                        << def << " f" << f << " r" << r << " k" << k << " p" << p;
                }
    };
    swapped("CxTEE", {"WIDE", c, c}, {c, "WIDE", c}, 0, 1, tee_dpar_out, 1, 2);
    swapped("CxCROSS", {"WIDE", c, c, c}, {c, c, "WIDE", c}, 0, 2, cross_dpar_out, 0, 3);

    // A tee of three different lines without feeds is the star of its
    // arms, so each port sees its own arm: in Z = Y^-1, Z_pp - Z_qp =
    // R_p + j omega L_p, L_p the solved inductance of line p (the results
    // hold lines 3, 1, 2).
    design.line_type("NARROW", {{"W", Value::Real(10e-6)}, {"S", Value::Real(10e-6)}});
    const double f = 10e9;
    std::vector<cd> z = y_at(junction("CxTEE", "TA", {c, "WIDE", "NARROW"}, {"NONE", "NONE", "NONE"}), f);
    ASSERT_EQ(z.size(), 9u);
    const double arm_l[3] = {tee_dpar_out[1], tee_dpar_out[2], tee_dpar_out[0]};
    std::vector<cd> y = z;  // Gauss-Jordan: z becomes the inverse of y
    z.assign(9, 0.0);
    for (int k = 0; k < 3; ++k) z[k * 3 + k] = 1.0;
    for (int k = 0; k < 3; ++k) {
        const cd piv = y[k * 3 + k];
        for (int j = 0; j < 3; ++j) y[k * 3 + j] /= piv, z[k * 3 + j] /= piv;
        for (int r = 0; r < 3; ++r) {
            const cd m = r == k ? 0.0 : y[r * 3 + k];
            for (int j = 0; j < 3; ++j) y[r * 3 + j] -= m * y[k * 3 + j], z[r * 3 + j] -= m * z[k * 3 + j];
        }
    }
    for (int p = 0; p < 3; ++p) {
        const int q = (p + 1) % 3;
        EXPECT_NEAR((z[p * 3 + p] - z[q * 3 + p]).imag() / (6.283185307179586 * f), arm_l[p],
                    1e-6 * std::fabs(arm_l[p]))
            << "port " << p + 1;
    }
}

// Every arm's grounds are tied where the junction begins, so outside it
// an arm carries its line's mode or nothing, and no current reaches the
// box's far walls.  Equal G1 arms, boxes of 300 and 600 um: each value
// moves by at most 0.7 pH (the cross's L5; the tee's L1 0.17 pH), while a
// common potential on an idle arm's slots drives a ground mode that moves
// L5 by 4 pH.  1 pH is 2 um of the line.  A turn from the branch into a
// through arm is the same in the tee and the cross (1.8 % apart: the
// cross's fourth arm), which a wrong branch share would break.
TEST_F(Junctions, TeeAndCrossInductancesDoNotDependOnTheBox) {
    const std::string c = design.lintyp;
    std::vector<double> tee[2], cross[2];
    for (int k = 0; k < 2; ++k) {
        const std::string box = std::to_string(k);
        Params g = with(design.grid_params, "DL", Value::Real(5e-6));
        g = with(with(g, "L1", Value::Real(300e-6 * (k + 1))), "L2", Value::Real(300e-6 * (k + 1)));
        design.item("C_GRID", "BOX" + box, g);
        grid = "BOX" + box;
        checked_y(junction("CxTEE", "TB" + box, {c, c, c}, {"NONE", "NONE", "NONE"}), "tee");
        tee[k].assign(tee_dpar_out, tee_dpar_out + 3);  // L3 (the branch), L1, L2
        checked_y(junction("CxCROSS", "XB" + box, {c, c, c, c}, {"NONE", "NONE", "NONE", "NONE"}), "cross");
        cross[k].assign(cross_dpar_out, cross_dpar_out + 5);  // L1, L2, L4, L3, L5
        EXPECT_NEAR((tee[k][0] + tee[k][1]) / (cross[k][0] + cross[k][4] + cross[k][1]), 1.0, 0.05) << box;
    }
    RecordProperty("tee_L3_L1_cross_L1_L5", sci({tee[1][0], tee[1][1], cross[1][0], cross[1][4]}));
    for (int n = 0; n < 3; ++n) EXPECT_NEAR(tee[0][n], tee[1][n], 1e-12) << "tee " << n;
    for (int n = 0; n < 5; ++n) EXPECT_NEAR(cross[0][n], cross[1][n], 1e-12) << "cross " << n;
}

TEST_F(Junctions, BadInputIsRefusedBeforeAnythingIsSolved) {
    bridge("SAME", 1, 10e-6, 5e-6);  // metal 1, the line's own level
    design.line_type("UPPER", {{"CEN_MET", Value::Int(2)}, {"GND_MET", Value::Int(2)}});
    bridge("WIDEBR", 2, 400e-6, 5e-6);
    design.item("C_GRID", "SMALL",
                with(with(design.grid_params, "L1", Value::Real(200e-6)), "L2", Value::Real(200e-6)));
    const std::string c = design.lintyp;
    struct Case {
        UserInstDef* inst;
        const char* needle;
    };
    Params small = {{"C_LTYP", Value::Mtrl(c)},
                    {"C_BTYP", Value::Mtrl("WIDEBR")},
                    {"C_SUB", Value::Mtrl(design.sub)},
                    {"C_GRID", Value::Mtrl("SMALL")},
                    {"TEMP", Value::Real(16.85)}};
    for (const Case& k : {Case{junction("CxAIR", "E1", {c}, {"SAME"}), "same Level"},
                          Case{junction("CxBEND", "E2", {c, "UPPER"}, {"NONE", "NONE"}), "different CEN_MET"},
                          Case{design.item("CxAIR", "E3", small), "L2=0.0002 too small"}}) {
        Host::get().clear_log();
        const auto r = Host::get().analyse({k.inst}, {1e9});
        EXPECT_FALSE(r.ok) << k.needle;
        bool said = false;
        for (const auto& l : Host::get().log()) {
            said = said || l.text.find(k.needle) != std::string::npos;
            EXPECT_EQ(l.text.find("Calculating"), std::string::npos) << l.text;
        }
        EXPECT_TRUE(said) << k.needle;
        if (!said)
            for (const auto& l : Host::get().log()) std::printf("LOG %s\n", l.text.c_str());
    }
}

std::vector<cd> checked_y(UserInstDef* inst, const std::string& what) {
    std::vector<cd> all;
    for (double f : {1e9, 20e9, 60e9}) {
        const std::vector<cd> y = y_at(inst, f);
        expect_reciprocal_and_passive(y, what + " at " + std::to_string(f / 1e9) + " GHz");
        all.insert(all.end(), y.begin(), y.end());
    }
    return all;
}

}  // namespace
}  // namespace mirtex::test
