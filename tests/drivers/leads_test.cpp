// The components with leads on the stand-in host: a thin-film resistor's
// DC resistance, a MIM capacitor's series capacitance, reciprocity and
// passivity of all four, and their bad inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "drivers/drivers.h"
#include "host.h"
#include "params/params.h"
#include "solver/solver.h"
#include "support/design.h"

namespace mirtex::test {
namespace {

using host::Host;
using cd = std::complex<double>;
constexpr double kEps0 = 8.8541843e-12, kTwoPi = 6.283185307179586;

class LeadComponents : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        design.grid_params = with(design.grid_params, "DL", Value::Real(2.5e-6));
        design.lintyp_params = with(design.lintyp_params, "W", Value::Real(20e-6));
        design.lintyp_params = with(design.lintyp_params, "S", Value::Real(15e-6));
        design.build();
        // Line 2 on metal level 2 for the capacitor's top plate; a film
        // line and the capacitor's plate geometry.
        design.line_type("LT2", {{"CEN_MET", Value::Int(2)}});
        design.line_type("RES", {{"W", Value::Real(10e-6)}, {"S", Value::Real(20e-6)}});
        design.line_type("CAP", {{"W", Value::Real(40e-6)}, {"S", Value::Real(10e-6)}});
    }
    UserInstDef* part(const std::string& def, const std::string& name, double L, const char* own, const char* l2,
                      int index, const char* l1 = nullptr) {
        const bool res = def == "CxTFR" || def == "CxTFG";
        return design.item(def, name,
                           {{"L", Value::Real(L)}, {res ? "C_LTYPR" : "C_LTYPC", Value::Mtrl(own)},
                            {"C_LTYP1", Value::Mtrl(l1 ? l1 : design.lintyp.c_str())}, {"C_LTYP2", Value::Mtrl(l2)},
                            {res ? "RES_IDX" : "DIE_IDX", Value::Int(index)}, {"C_SUB", Value::Mtrl(design.sub)},
                            {"C_GRID", Value::Mtrl(design.grid)}, {"TEMP", Value::Real(16.85)}});
    }
    Design design;
};

TEST_F(LeadComponents, ResistorIsItsSheetResistanceTimesSquares) {
    // 50 ohm/square, 10 um wide, 60 um long of which 2 um leads (res_l)
    // at each end: 56 / 10 squares, 280 ohm, in series with two 2 um leads.
    const auto y = y_at(part("CxTFR", "R1", 60e-6, "RES", design.lintyp.c_str(), 1), 1e6);
    ASSERT_EQ(y.size(), 4u);
    EXPECT_NEAR(-1.0 / y[1].real(), 50.0 * 56e-6 / 10e-6, 0.005 * 280.0);
    // The film line's R' for res_rs 50 and a 10 um film.
    int ipar[9];
    double dpar[11], out[4];
    std::copy(tfr_ipar, tfr_ipar + 9, ipar);
    std::copy(tfr_dpar, tfr_dpar + 11, dpar);
    ASSERT_EQ(Calc_Tfr(ipar, dpar, out), 0);
    EXPECT_DOUBLE_EQ(out[3], 5e6);
}

TEST_F(LeadComponents, MimSeriesCapacitanceIsTheOverlapsParallelPlate) {
    // Plates 40 um wide (the top one; the bottom reaches cap_os further),
    // 100 um long with 1 um leads (cap_l1), 3 um of er 1.0 (dielectric 1
    // of the design) - so C = eps0 * 40 um * 98 um / 3 um plus fringe.
    const double L = 100e-6, Lf = 1e-6, w = 40e-6, h = 3e-6;
    const auto y = y_at(part("CxMIM", "C1", L, "CAP", "LT2", 1), 10e6);
    ASSERT_EQ(y.size(), 4u);
    const double c_series = y[1].imag() / -(kTwoPi * 10e6);
    const double c_plate = 1.0 * kEps0 * w * (L - 2 * Lf) / h;
    EXPECT_GT(c_series, c_plate * 0.999);
    EXPECT_LT(c_series, c_plate * 1.05) << "fringe beyond 5 %";
    // Turned round (line 1 on the top plate's level): the same capacitor
    // with its ports exchanged.
    const auto yr = y_at(part("CxMIM", "C1R", L, "CAP", design.lintyp.c_str(), 1, "LT2"), 10e6);
    ASSERT_EQ(yr.size(), 4u);
    EXPECT_NEAR(std::abs(yr[0] - y[3]), 0.0, 1e-9 * std::abs(y[3]));
    EXPECT_NEAR(std::abs(yr[3] - y[0]), 0.0, 1e-9 * std::abs(y[0]));
    // The narrower plate sets the overlap.
    int ipar[18];
    double dpar[22], out[21];
    std::copy(mim_ipar, mim_ipar + 18, ipar);
    std::copy(mim_dpar, mim_dpar + 22, dpar);
    ASSERT_EQ(Calc_Mim(ipar, dpar, out), 0);
    EXPECT_DOUBLE_EQ(out[1], -dpar[20] * kEps0 * std::fmin(dpar[4], dpar[14]) / dpar[21]);
    EXPECT_LT(dpar[14], dpar[4]) << "the top plate is the narrower one";
}

TEST_F(LeadComponents, EveryComponentIsReciprocalAndPassive) {
    std::vector<UserInstDef*> parts = {part("CxTFR", "R1", 60e-6, "RES", design.lintyp.c_str(), 1),
                                       part("CxTFG", "G1", 60e-6, "RES", design.lintyp.c_str(), 1),
                                       part("CxMIM", "C1", 100e-6, "CAP", "LT2", 1),
                                       part("CxCAPLIN", "K1", 300e-6, "CAP", design.lintyp.c_str(), 1)};
    for (UserInstDef* p : parts)
        for (double f : {1e8, 5e9, 40e9}) {
            const auto y = y_at(p, f);
            ASSERT_EQ(y.size(), 4u) << p->name;
            EXPECT_NEAR(std::abs(y[1] - y[2]), 0.0, 1e-9 * std::abs(y[0])) << p->name << " at " << f;
            EXPECT_GE(y[0].real(), 0.0) << p->name;
            EXPECT_GE(y[3].real(), 0.0) << p->name;
            EXPECT_GE(y[0].real() * y[3].real() - std::norm(0.5 * (y[1] + y[2]).real()), -1e-12 * std::norm(y[0]))
                << p->name << " at " << f;
        }
}

TEST_F(LeadComponents, BadInputIsRefusedWithItsValue) {
    struct Case {
        UserInstDef* inst;
        std::string error;
    };
    const Case cases[] = {
        {part("CxTFR", "R9", 60e-6, "RES", design.lintyp.c_str(), 2), "ERROR C_TFR(R9): RES_IDX=2 invalid value !"},
        {part("CxTFG", "G9", 3e-6, "RES", design.lintyp.c_str(), 1), "ERROR C_TFG(G9): L <= 2*res_l1 too small !"},
        {part("CxMIM", "C9", 100e-6, "CAP", "LT2", 3), "ERROR C_MIM(C9): DIE_IDX=3 invalid value !"},
        {part("CxMIM", "C8", 100e-6, "CAP", design.lintyp.c_str(), 1),
         "ERROR C_MIM(C8) : same CEN_MET of applied line types " + design.lintyp + " and " + design.lintyp + " !"},
        {part("CxCAPLIN", "K9", 100e-6, "CAP", "LT2", 0), "ERROR C_CAPLIN(K9): DIE_IDX=0 invalid value !"},
    };
    for (const Case& c : cases) {
        Host::get().clear_log();
        const auto r = Host::get().analyse({c.inst}, {1e9});
        EXPECT_FALSE(r.ok) << c.inst->name;
        EXPECT_TRUE(Host::get().contains(host::Severity::Error, c.error)) << c.error;
    }
    // A plate metal of zero thickness in the technology.
    host::Host::get().clear_log();
    UserInstDef* tech = get_user_inst(("C_TECH_" + design.foundry).c_str());
    for (int i = 0; i < tech->def->numPars; ++i)
        if (std::string(tech->def->params[i].keyword) == "t2") tech->params[i].value.r = 0.0;
    foundries.resolve_pending = 1;
    EXPECT_FALSE(Host::get().analyse({part("CxMIM", "C7", 100e-6, "CAP", "LT2", 1)}, {1e9}).ok);
    EXPECT_TRUE(Host::get().contains(host::Severity::Error, "t2=0 invalid value"));
}

}  // namespace
}  // namespace mirtex::test
