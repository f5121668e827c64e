// The air bridge CxAIR: a symmetric two-port with the same feed line on
// both sides.
#include "drivers/junction.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_AIR";
const SolvedResult kResults[] = {
    {MIRTEX_RESULT_VECTORS(bruecke, bruecke, bruecke), "C_AIR(%s)",
     "ERROR: C_AIR(%s): Memory Overflow! Failed to Calculate Element!", 5, solve3_int<Calc_Air>, kLabel},
    lone_feed_line("ERROR: C_FEED(%s): Memory Overflow! Failed to Calculate Feed Line!")};

int get_air(UserInstDef* inst, WARN** w, FeedInputs& in) {
    double rho = 0, rho_gnd = 0, tand = 0, L = 0;
    const int rc = cpw_air_get(inst, w, &rho, &rho_gnd, &tand, &L);
    set_junction_feeds(in, rho, tand, {L});
    return rc;
}

void air_network(UserInstDef* inst, const FeedInputs& in, double f, COMPLEX* Ye) {
    double R = 0.0;
    Freq_Air(bruecke_ipar_out, bruecke_dpar_out, in.feeds.sigma[0], f, &R, Ye);
    debug_R1(kLabel, inst->name, f, R);
}

const NetworkElement<FeedInputs> kAir{kLabel, get_air, cpw_air_pre, kResults, Joint::Mirrored, 2, {}, air_network};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(air, mirtex::drivers::kAir)

}  // extern "C"
