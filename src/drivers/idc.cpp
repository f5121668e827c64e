// The interdigital capacitor CxIDC: a two-port between its feed lines 1
// and 2.
#include "drivers/discontinuity.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_IDC";

int solve_idc(const ResultVectors& v) {
    return Calc_Cap(0, *v.ipar, *v.n_ipar, *v.dpar, *v.dpar_out);
}

const auto kResults =
    with_feed_lines<2>({MIRTEX_RESULT_VECTORS(idc, idc, idc), "C_IDC(%s)",
                        "ERROR: C_IDC(%s): Memory Overflow! Failed to Calculate Element!", 5, solve_idc, kLabel});

void idc_network(UserInstDef* inst, const FeedInputs& in, double f, COMPLEX* Ye) {
    double R1 = 0.0, R2 = 0.0;
    Freq_Cap(idc_dpar_out, in.feeds.sigma[0], f, &R1, &R2, Ye);
    debug_R2(kLabel, inst->name, f, R1, R2);
}

const NetworkElement<FeedInputs> kIdc{
    kLabel, get_two_port<cpw_idc_get>, cpw_idc_pre, kResults, Joint::Cascade, 2, {}, idc_network};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(idc, mirtex::drivers::kIdc)

}  // extern "C"
