// The bend CxBEND: a two-port between its feed lines 1 and 2.
#include "drivers/junction.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_BEND";
const auto kResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(bend, bend, bend), "C_BEND(%s)",
                                          "ERROR: C_BEND(%s): Memory Overflow! Failed to Calculate Element!", 1,
                                          solve3_int<Calc_Bend>, kLabel});

void bend_network(UserInstDef* inst, const FeedInputs& in, double f, COMPLEX* Ye) {
    double R1 = 0.0, R2 = 0.0;
    Freq_Bend(bend_ipar_out, bend_dpar_out, in.feeds.sigma[0], f, &R1, &R2, Ye);
    debug_R2(kLabel, inst->name, f, R1, R2);
}

const NetworkElement<FeedInputs> kBend{
    kLabel, get_two_port<cpw_bend_get>, cpw_bend_pre, kResults, Joint::Cascade, 2, {}, bend_network};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(bend, mirtex::drivers::kBend)

}  // extern "C"
