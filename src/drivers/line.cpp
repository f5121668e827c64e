// The CPW line CxLIN and the feed line CxFEED: one cross-section solved into
// the line vectors and the line cache, evaluated as a lossy line section.
#include "drivers/line_family.h"

namespace mirtex::drivers {
namespace {

int get_line(UserInstDef* inst, WARN** w, LineInputs& in) { return cpw_line_get(inst, w, &in.rho, &in.tand, &in.L); }

constexpr char kLin[] = "C_LIN";
constexpr char kFeed[] = "C_FEED";

const SolvedResult kLineResult[] = {
    {MIRTEX_RESULT_VECTORS(line, line, line), "C_LIN(%s)",
     "ERROR: C_LIN(%s): Memory Overflow! Failed to Calculate Element!", 20, solve_cross_section, kLin}};

const Element<LineInputs> kLine = {kLin, get_line, cpw_line_pre, kLineResult, evaluate_line<kLin>, YMode::Counted};
// The feed line's pre step is its definition's pre-analysis callback, so
// its Y callback neither counts nor reports.
const Element<LineInputs> kFeedLine = {kLin,        get_line, cpw_line_pre, kLineResult, evaluate_line<kFeed>,
                                       YMode::Silent};

WarningList pre_warnings, line_y_warnings, feed_y_warnings;

}  // namespace
}  // namespace mirtex::drivers

using namespace mirtex::drivers;

extern "C" {

MIRTEX_API int cpw_line_pre(UserInstDef* inst) { return pre_step(kLine, pre_warnings, inst); }

MIRTEX_API int cpw_line_y(UserInstDef* inst, double omega, COMPLEX* y) {
    return y_step(kLine, line_y_warnings, inst, omega, y);
}

MIRTEX_API int cpw_feed_y(UserInstDef* inst, double omega, COMPLEX* y) {
    return y_step(kFeedLine, feed_y_warnings, inst, omega, y);
}

}  // extern "C"
