// The T-junction CxTEE: a three-port with feed lines 1, 2 and 3.  Freq_Tee
// delivers its ports in the order arm 3, arm 1, arm 2.
#include "drivers/junction.h"
#include "params/junction_layout.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_TEE";
const auto kResults = with_feed_lines<3>({MIRTEX_RESULT_VECTORS(tee, tee, tee), "C_TEE(%s)",
                                          "ERROR: C_TEE(%s): Memory Overflow! Failed to Calculate Element!", 1,
                                          solve3_int<Calc_Tee>, kLabel});

int get_tee(UserInstDef* inst, WARN** w, FeedInputs& in) {
    double rho = 0, rho_gnd = 0, tand = 0, L1 = 0, L2 = 0, L3 = 0;
    const int rc = cpw_tee_get(inst, w, &rho, &rho_gnd, &tand, &L1, &L2, &L3);
    set_junction_feeds(in, rho, tand, {L1, L2, L3});
    return rc;
}

void tee_network(UserInstDef* inst, const FeedInputs& in, double f, COMPLEX* Ye) {
    double R3 = 0.0, R1 = 0.0, R2 = 0.0;
    Freq_Tee(tee_ipar_out, tee_dpar_out, in.feeds.sigma[0], f, &R3, &R1, &R2, Ye);
    debug_R3(kLabel, inst->name, f, R3, R1, R2);
}

const NetworkElement<FeedInputs> kTee{
    kLabel, get_tee, cpw_tee_pre, kResults, Joint::Junction, 3, params::kTeeRecordLines, tee_network};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(tee, mirtex::drivers::kTee)

}  // extern "C"
