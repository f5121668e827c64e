// Range checks of the data items an element uses.  Each check evaluates all
// of its rules and reports every violation, then fails once.
//
// Values no rule names are caught too: every rule is written as "not
// valid" (!(x >= min)), so NaN violates the first rule of its value, and
// each length has an upper bound of kMaxGridSteps grid steps, which also
// stops +inf.  Permittivities and technology values, which have no natural
// upper bound, must be finite.  Negative zero is zero.
#include <cmath>
#include <cstdarg>
#include <cstdlib>

#include "binding/messages.h"
#include "params/grid.h"
#include "params/params.h"

namespace mirtex::params {
namespace {

// Collects the verdict of one check; every violation is sent at once.
class Verdict {
public:
    void fail(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        const std::string text = vformat(fmt, ap);
        va_end(ap);
        send_error_to_scn(text.c_str());
        failed_ = true;
    }
    int status() const { return failed_ ? 1 : 0; }

private:
    bool failed_ = false;
};

const char* s(const char* text) { return text != nullptr ? text : ""; }

bool is_auto(double v) { return v == -1.0 || v == -2.0; }
double auto_k(double v) { return v == -1.0 ? 1.0 : 2.0; }

// The grid units of a length that is a whole multiple of a unit q: a
// quotient within rounding noise of a whole number is that number.
bool whole_multiple(double x, double q, double& units) {
    const double r = x / q;
    const double n = std::nearbyint(r);
    units = n;
    return std::fabs(r - n) <= 1e-9 * std::fmax(1.0, std::fabs(r));
}

}  // namespace
}  // namespace mirtex::params

using mirtex::params::kMaxGridSteps;
using mirtex::params::s;
using mirtex::params::Verdict;

extern "C" {

MIRTEX_API int GridTst(UserInstDef*, const char* E, const char* I, const char* D, double BOUND, double, double,
                       double DL, double ACC) {
    Verdict v;
    if (!(DL > 0)) v.fail("ERROR %s(%s): C_GRID(%s): DL=%lg invalid value ! (DL > 0)", s(E), s(I), s(D), DL);
    if (DL > 0 && DL < mirtex::params::kMinGridStep)
        v.fail("ERROR %s(%s): C_GRID(%s): DL=%lg invalid value ! (DL_min=%lg)", s(E), s(I), s(D), DL,
               mirtex::params::kMinGridStep);
    if (std::isinf(DL))
        v.fail("ERROR %s(%s): C_GRID(%s): DL=%lg invalid value ! (finite value required)", s(E), s(I), s(D), DL);
    if (!(BOUND >= 1e-6 && BOUND <= 1e-2))
        v.fail("ERROR %s(%s): C_GRID(%s): BOUND=%lg invalid value ! (10E-6 <= BOUND <= 10E-2)", s(E), s(I), s(D),
               BOUND);
    if (!(ACC >= 0 && ACC <= 100))
        v.fail("ERROR %s(%s): C_GRID(%s): ACC=%lg invalid value ! (0 <= ACC <= 100)", s(E), s(I), s(D), ACC);
    return v.status();
}

MIRTEX_API int LintypTest(const char* E, const char* I, const char* D, const char* lW, const char* lS,
                          const char* lGW, const char*, const char* lCEN_MET, const char* lGND_MET, double W,
                          double S, double GW, int CEN_MET, int GND_MET, int metal_count, double DL) {
    Verdict v;
    const double h = DL / 2;
    const double max = kMaxGridSteps * DL;
    const char* head = "ERROR %s(%s): C_LINTYP(%s): %s=%lg invalid value ! (%s=%lg)";
    if (!(W >= DL)) v.fail(head, s(E), s(I), s(D), s(lW), W, "W_min", DL);
    if (W > max) v.fail(head, s(E), s(I), s(D), s(lW), W, "W_max", max);
    if (!(S >= h)) v.fail(head, s(E), s(I), s(D), s(lS), S, "S_min", h);
    if (S > max) v.fail(head, s(E), s(I), s(D), s(lS), S, "S_max", max);
    if (GW != 0 && !(GW >= h)) v.fail(head, s(E), s(I), s(D), s(lGW), GW, "GW_min", h);
    if (GW > max) v.fail(head, s(E), s(I), s(D), s(lGW), GW, "GW_max", max);
    if (CEN_MET < 1 || CEN_MET > metal_count)
        v.fail("ERROR %s(%s): C_LINTYP(%s): %s=%i invalid metal level !", s(E), s(I), s(D), s(lCEN_MET), CEN_MET);
    if (GND_MET < 1 || GND_MET > metal_count)
        v.fail("ERROR %s(%s): C_LINTYP(%s): %s=%i invalid metal level !", s(E), s(I), s(D), s(lGND_MET), GND_MET);
    return v.status();
}

MIRTEX_API int TechTest(const char* E, const char* I, const char* D, const char* lt, const char* lrho,
                        const char* ldie_h, const char* ldie_er, const char* ldie_td, const char*, double t,
                        double rho, double die_h, double die_er, double die_td, int metal, int dielectric, double DL) {
    using mirtex::params::kMaxPermittivity;
    using mirtex::params::kMaxRelativeResistivity;
    using mirtex::params::kMinMetalThickness;
    Verdict v;
    // Each message names the technology item, the value and the rule; NaN
    // is told as what it is rather than as "<= 0".
    // The rule's text is formed only for a violation: the checks run at
    // every frequency point of every element.
    auto rule = [&](bool ok, const char* label, int index, double value, const char* range, double bound) {
        if (ok) return;
        if (std::isnan(value))
            v.fail("ERROR %s(%s) : C_TECH(%s) : %s%i=%lg invalid value ! (a number required)", s(E), s(I), s(D),
                   s(label), index, value);
        else
            v.fail("ERROR %s(%s) : C_TECH(%s) : %s%i=%lg invalid value ! (%s)", s(E), s(I), s(D), s(label), index,
                   value, mirtex::format(range, bound).c_str());
    };
    // Heights span the grid like every other length (a forgotten unit on
    // a thickness would otherwise reach the solver).
    const double max = DL > 0 && std::isfinite(DL) ? kMaxGridSteps * DL : HUGE_VAL;
    rule(t >= kMinMetalThickness && std::isfinite(t), lt, metal, t, "%lg m <= t", kMinMetalThickness);
    const double max_t = std::fmin(max, mirtex::params::kMaxMetalThickness);
    rule(!(std::isfinite(t) && t > max_t), lt, metal, t, "t <= %lg m", max_t);
    rule(rho > 0 && rho <= kMaxRelativeResistivity, lrho, metal, rho, "0 < rho <= %lg", kMaxRelativeResistivity);
    rule(!(rho > 0 && rho < mirtex::params::kMinRelativeResistivity), lrho, metal, rho, "%lg <= rho",
         mirtex::params::kMinRelativeResistivity);
    rule(die_h > 0 && std::isfinite(die_h), ldie_h, dielectric, die_h, "0 < die_h, finite", 0.0);
    rule(!(die_h > 0 && die_h < kMinMetalThickness), ldie_h, dielectric, die_h, "%lg m <= die_h", kMinMetalThickness);
    rule(!(std::isfinite(die_h) && die_h > max), ldie_h, dielectric, die_h, "die_h <= %lg m", max);
    rule(die_er >= 1 && die_er <= kMaxPermittivity, ldie_er, dielectric, die_er, "1 <= die_er <= %lg",
         kMaxPermittivity);
    rule(die_td > 0 && std::isfinite(die_td), ldie_td, dielectric, die_td, "0 < die_td, finite", 0.0);
    rule(!(std::isfinite(die_td) && die_td > mirtex::params::kMaxLossTangent), ldie_td, dielectric, die_td,
         "die_td <= %lg", mirtex::params::kMaxLossTangent);
    return v.status();
}

MIRTEX_API int AirtypTest(const char* E, const char* I, const char* D, const char* lBW, const char* lBG,
                          const char* lBS, const char* lCEN_MET, const char* lTYPE, const char* lDIE_IDX,
                          const char*, double BW, double BG, double BS, int TYPE, int CEN_MET, int DIE_IDX,
                          int dielectric_count, double DL) {
    if (TYPE == 0) return 0;  // no bridge: nothing to check
    Verdict v;
    const double h = DL / 2;
    const double max = kMaxGridSteps * DL;
    const char* head = "ERROR %s(%s): C_AIRTYP(%s): %s=%lg invalid value ! (%s_min=%lg)";
    const char* top = "ERROR %s(%s): C_AIRTYP(%s): %s=%lg invalid value ! (%s_max=%lg)";
    if (!(BW >= h)) v.fail(head, s(E), s(I), s(D), s(lBW), BW, s(lBW), h);
    if (BW > max) v.fail(top, s(E), s(I), s(D), s(lBW), BW, s(lBW), max);
    if (!(BG >= 0))
        v.fail("ERROR %s(%s): C_AIRTYP(%s): %s=%lg invalid value ! (%s_min=0)", s(E), s(I), s(D), s(lBG), BG, s(lBG));
    if (BG > max) v.fail(top, s(E), s(I), s(D), s(lBG), BG, s(lBG), max);
    if (!(BS >= h)) v.fail(head, s(E), s(I), s(D), s(lBS), BS, s(lBS), h);
    if (BS > max) v.fail(top, s(E), s(I), s(D), s(lBS), BS, s(lBS), max);
    if (DIE_IDX < 0 || DIE_IDX > dielectric_count)
        v.fail("ERROR %s(%s): C_AIRTYP(%s): %s=%i invalid index !", s(E), s(I), s(D), s(lDIE_IDX), DIE_IDX);
    // The magnitude of TYPE is the bridge's metal level.
    if (static_cast<long long>(CEN_MET) == std::llabs(static_cast<long long>(TYPE)))
        v.fail("ERROR %s(%s): C_AIRTYP(%s): %s=%s bridge and center line have same Level !", s(E), s(I), s(D),
               s(lCEN_MET), s(lTYPE));
    return v.status();
}

MIRTEX_API int SubTst(UserInstDef*, const char* E, const char* I, const char* D, double* H1, double H2, double* H3,
                      double ER1, double ER2, double ER3, double WGES, double DL) {
    using mirtex::params::auto_k;
    using mirtex::params::count_trunc;
    using mirtex::params::is_auto;
    // Automatic heights grow with the conductor region, so that the field
    // has room to decay before it meets the box.
    if (is_auto(*H3)) *H3 = (4 * count_trunc(WGES / (auto_k(*H3) * DL) + 0.5) + 7) * DL;
    if (is_auto(*H1)) *H1 = 4 * (count_trunc(WGES / (auto_k(*H1) * DL)) + 1) * DL;

    Verdict v;
    const double max = kMaxGridSteps * DL;
    const char* top = "ERROR %s(%s) : C_SUB(%s) : %s=%lg invalid value ! (%s_max=%lg)";
    const char* inf = "ERROR %s(%s) : C_SUB(%s) : %s=%lg invalid value ! (finite value required)";
    if (!(*H1 >= 0)) v.fail("ERROR %s(%s) : C_SUB(%s) : H1=%lg invalid value ! (H1_min=0)", s(E), s(I), s(D), *H1);
    if (*H1 > max) v.fail(top, s(E), s(I), s(D), "H1", *H1, "H1", max);
    if (!(count_trunc(H2 / DL) > 3))
        v.fail("ERROR %s(%s) : C_SUB(%s) : H2=%lg invalid value ! (H2_min=%lg)", s(E), s(I), s(D), H2, 4 * DL);
    if (H2 > max) v.fail(top, s(E), s(I), s(D), "H2", H2, "H2", max);
    if (!(count_trunc(*H3 / DL) > 10))
        v.fail("ERROR %s(%s) : C_SUB(%s) : H3=%lg invalid value ! (H3_min=%lg)", s(E), s(I), s(D), *H3, 11 * DL);
    if (*H3 > max) v.fail(top, s(E), s(I), s(D), "H3", *H3, "H3", max);
    const double er[3] = {ER1, ER2, ER3};
    const char* name[3] = {"ER1", "ER2", "ER3"};
    for (int n = 0; n < 3; ++n) {
        if (!(er[n] >= 1))
            v.fail("ERROR %s(%s) : C_SUB(%s) : %s=%lg invalid value ! (%s_min=1)", s(E), s(I), s(D), name[n], er[n],
                   name[n]);
        else if (std::isinf(er[n]))
            v.fail(inf, s(E), s(I), s(D), name[n], er[n]);
        else if (er[n] > mirtex::params::kMaxPermittivity)
            v.fail(top, s(E), s(I), s(D), name[n], er[n], name[n], mirtex::params::kMaxPermittivity);
    }
    return v.status();
}

MIRTEX_API int BoxTst(UserInstDef*, const char* E, const char* I, const char* D, double A, double B1, double* L1,
                      double B2, double* L2, double DL) {
    using mirtex::params::auto_k;
    using mirtex::params::count_trunc;
    using mirtex::params::is_auto;
    using mirtex::params::whole_multiple;
    Verdict v;
    // Without a usable step every size below would come out NaN: report the
    // step alone.
    if (!(DL > 0 && std::isfinite(DL))) {
        v.fail("ERROR %s(%s) : C_GRID(%s) : DL=%lg invalid value ! (DL > 0)", s(E), s(I), s(D), DL);
        return v.status();
    }

    // The box is laid out in blocks of four steps: round the minimum sizes
    // up to whole blocks.
    const double q = 4 * DL;
    for (double* b : {&B1, &B2}) {
        double units = 0;
        *b = whole_multiple(*b, q, units) ? units * q : (count_trunc(*b / q) + 1) * q;
    }
    if (is_auto(*L1)) *L1 = q * (count_trunc(std::fmax(5 * A / auto_k(*L1), B1) / q) + 2);
    if (is_auto(*L2)) *L2 = q * (count_trunc(std::fmax(5 * A / auto_k(*L2), B2) / q) + 2);

    // The too-large messages print ten digits: a box a hair over its limit
    // must not read "L1=0.1 too large ! (L1_max=0.1)".
    const double max = kMaxGridSteps * DL;
    if (!(*L1 > A))
        v.fail("ERROR %s(%s) : C_GRID(%s) : L1=%lg too small ! (L1_min=%lg)", s(E), s(I), s(D), *L1, A + 8 * DL);
    if (!(*L1 >= B1)) v.fail("ERROR %s(%s) : C_GRID(%s) : L1=%lg too small ! (L1_min=%lg)", s(E), s(I), s(D), *L1, B1);
    if (*L1 > max) v.fail("ERROR %s(%s) : C_GRID(%s) : L1=%.10lg too large ! (L1_max=%.10lg)", s(E), s(I), s(D), *L1, max);
    if (!(*L2 >= B2)) v.fail("ERROR %s(%s) : C_GRID(%s) : L2=%lg too small ! (L2_min=%lg)", s(E), s(I), s(D), *L2, B2);
    if (*L2 > max) v.fail("ERROR %s(%s) : C_GRID(%s) : L2=%.10lg too large ! (L2_max=%.10lg)", s(E), s(I), s(D), *L2, max);
    return v.status();
}

}  // extern "C"
