// The metal via CxMETVIA: two stacked line types solved as one line of their
// joint thickness, into the line vectors and the line cache.
#include "drivers/drivers.h"
#include "drivers/line_family.h"

namespace mirtex::drivers {
namespace {

int get_via(UserInstDef* inst, WARN** w, LineInputs& in) { return cpw_metvia_get(inst, w, &in.rho, &in.tand, &in.L); }

constexpr char kViaLabel[] = "C_METVIA";

const SolvedResult kViaResult[] = {
    {MIRTEX_RESULT_VECTORS(line, line, line), "C_METVIA(%s)",
     "ERROR: C_METVIA(%s): Memory Overflow! Failed to Calculate Element!", 20, solve_cross_section, kViaLabel}};

const Element<LineInputs> kVia = {kViaLabel, get_via, cpw_metvia_pre, kViaResult, evaluate_line<kViaLabel>, YMode::Counted};

WarningList pre_warnings, y_warnings;

}  // namespace
}  // namespace mirtex::drivers

using namespace mirtex::drivers;

extern "C" {

MIRTEX_API int cpw_metvia_pre(UserInstDef* inst) { return pre_step(kVia, pre_warnings, inst); }

MIRTEX_API int cpw_metvia_y(UserInstDef* inst, double omega, COMPLEX* y) {
    return y_step(kVia, y_warnings, inst, omega, y);
}

}  // extern "C"
