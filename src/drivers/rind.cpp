// The spiral inductor CxRIND: a two-port between its feed lines 1 and 2.
#include "drivers/discontinuity.h"
#include "drivers/solved3d.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_RIND";

const auto kResults =
    with_feed_lines<2>({MIRTEX_RESULT_VECTORS(rindE, rindE, rindE), "C_RIND(%s)",
                        "ERROR: C_RIND(%s): Memory Overflow! Failed to Calculate Element!", 1, solve_spiral, kLabel});

void rind_network(UserInstDef* inst, const FeedInputs& in, double f, COMPLEX* Ye) {
    double R = 0.0;
    Freq_Ind2(rindE_ipar_out, rindE_dpar_out, in.feeds.sigma[0], f, &R, Ye);
    debug_R1(kLabel, inst->name, f, R);
}

const NetworkElement<FeedInputs> kRind{
    kLabel, get_two_port<cpw_rindE_get>, cpw_rindE_pre, kResults, Joint::Cascade, 2, {}, rind_network};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(rindE, mirtex::drivers::kRind)

}  // extern "C"
