// Nothing that is not a number reaches the host: extreme values of every
// line, substrate, grid and technology parameter either are refused or give
// a finite admittance matrix, and the shared driver refuses a matrix that
// is not finite.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "drivers/driver.h"
#include "host.h"
#include "support/design.h"

namespace mirtex::test {
namespace {

using host::Host;
using host::Severity;
using host::Value;

// An element whose frequency function writes NaN into the host's matrix.
struct NoInputs {};
int no_get(UserInstDef*, WARN**, NoInputs&) { return 0; }
int no_pre(UserInstDef*) { return 1; }
bool nan_matrix(UserInstDef*, const NoInputs&, double, COMPLEX* Y) {
    for (int k = 0; k < 4; ++k) Y[k] = {k == 3 ? std::nan("") : 1.0, 0.0};
    return true;
}

TEST(FiniteY, DriverRefusesANonFiniteMatrixNamingElementInstanceAndFrequency) {
    ASSERT_TRUE(Host::get().boot_all());
    Design design;
    design.build();
    UserInstDef* inst = design.line("TLNAN");
    const drivers::SolvedResult results[] = {{MIRTEX_RESULT_VECTORS(line, line, line), "C_LIN(%s)", "", 20,
                                              drivers::solve_cross_section, "C_LIN"}};
    const drivers::Element<NoInputs> e{"C_NAN", no_get, no_pre, results, nan_matrix, drivers::YMode::Counted};
    drivers::WarningList warnings;
    cpw_pre_flg = 0;
    Host::get().clear_log();
    COMPLEX Y[4];
    EXPECT_EQ(drivers::y_step(e, warnings, inst, drivers::kTwoPi * 2e9, Y), 0);
    EXPECT_TRUE(Host::get().contains(Severity::Error, "C_NAN(TLNAN)"));
    EXPECT_TRUE(Host::get().contains(Severity::Error, "f = 2e+09 Hz"));
    EXPECT_TRUE(Host::get().contains(Severity::Error, "Simulation aborted due to ERROR! "));
}

TEST(FiniteY, ExtremeValuesNeverHandTheHostANonFiniteMatrix) {
    ASSERT_TRUE(Host::get().boot_all());
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {1e300, 1e-300, -1.0, std::nan(""), inf};
    enum Item { Length, Sub, Grid, LineType, Tech };
    const std::pair<Item, const char*> keys[] = {
        {Length, "L"},  {Sub, "ER1"},   {Sub, "ER2"},   {Sub, "ER3"},   {Sub, "TAND1"},     {Sub, "TAND2"},
        {Sub, "TAND3"}, {Tech, "t1"},   {Tech, "rho1"}, {Tech, "t2"},   {Tech, "rho2"},     {LineType, "W"},
        {LineType, "S"}, {LineType, "GW"}, {Grid, "DL"}, {Grid, "L1"}, {Grid, "BOUND"}, {Sub, "H1"},
        {Sub, "H2"},    {Sub, "H3"}};
    int refused = 0, evaluated = 0;
    for (const char* def : {"CxLIN", "CxFEED", "CxMETVIA"}) {
        for (const auto& [item, key] : keys) {
            for (const double v : values) {
                SCOPED_TRACE(testing::Message() << def << " " << key << "=" << v);
                Host::get().clear_instances();
                foundries.resolve_pending = 1;
                Design d;
                Params* p = item == Sub ? &d.sub_params
                            : item == Grid ? &d.grid_params
                            : item == LineType ? &d.lintyp_params
                            : item == Tech ? &d.tech_params : nullptr;
                if (p != nullptr) *p = with(*p, key, Value::Real(v));
                d.build();
                const double length = item == Length ? v : 100e-6;
                UserInstDef* inst = nullptr;
                if (std::string(def) == "CxMETVIA") {
                    d.line_type("LT2", {{"CEN_MET", Value::Int(2)}, {"GND_MET", Value::Int(2)}});
                    inst = d.via("V1", d.lintyp, "LT2", length);
                } else {
                    inst = d.line("TL1", length, def);
                }
                cpw_pre_flg = 0;
                Host::get().clear_log();
                const host::AnalysisResult r = Host::get().analyse({inst}, {1e6, 10e9, 200e9});
                // The checks refuse them first: the driver's last guard is
                // not what stops them.
                if (!r.ok) {
                    EXPECT_FALSE(Host::get().contains(Severity::Error, "is not finite"));
                    ++refused;
                    continue;
                }
                ++evaluated;
                for (const host::Point& pt : r.points)
                    for (const COMPLEX& y : pt.y[0])
                        ASSERT_TRUE(std::isfinite(y.real) && std::isfinite(y.imag)) << "at " << pt.freq_hz << " Hz";
            }
        }
    }
    // Most of these are refused; the loss tangents of the unused layers and
    // the tiny ones are legitimate and evaluated.
    EXPECT_GT(refused, 100);
    EXPECT_GT(evaluated, 10);
}

}  // namespace
}  // namespace mirtex::test
