// The crossing CxCROSS: a four-port with feed lines 1 to 4.  Freq_Cross
// delivers its ports in the order arm 1, 2, 4, 3.  A feed line missing
// from the cache is solved on the spot.
#include "drivers/junction.h"
#include "params/junction_layout.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_CROSS";
const auto kResults = with_feed_lines<4>({MIRTEX_RESULT_VECTORS(cross, cross, cross), "C_CROSS(%s)",
                                          "ERROR: C_CROSS(%s): Memory Overflow! Failed to Calculate Element!", 1,
                                          solve3_int<Calc_Cross>, kLabel});

int get_cross(UserInstDef* inst, WARN** w, FeedInputs& in) {
    double rho = 0, rho_gnd = 0, tand = 0, L1 = 0, L2 = 0, L3 = 0, L4 = 0;
    const int rc = cpw_cross_get(inst, w, &rho, &rho_gnd, &tand, &L1, &L2, &L3, &L4);
    set_junction_feeds(in, rho, tand, {L1, L2, L3, L4});
    return rc;
}

void cross_network(UserInstDef* inst, const FeedInputs& in, double f, COMPLEX* Ye) {
    double R1 = 0.0, R2 = 0.0, R4 = 0.0, R3 = 0.0;
    Freq_Cross(cross_ipar_out, cross_dpar_out, in.feeds.sigma[0], f, &R1, &R2, &R4, &R3, Ye);
    debug_R4(kLabel, inst->name, f, R1, R2, R4, R3);
}

const NetworkElement<FeedInputs> kCross{
    kLabel, get_cross, cpw_cross_pre, kResults, Joint::Junction, 4, params::kCrossRecordLines, cross_network, true};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(cross, mirtex::drivers::kCross)

}  // extern "C"
