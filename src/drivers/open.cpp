// The open end CxOPEN: a one-port at the far end of its feed line.
#include "drivers/discontinuity.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_OPEN";
const SolvedResult kResults[] = {
    {MIRTEX_RESULT_VECTORS(open, open, open), "C_OPEN(%s)",
     "ERROR: C_OPEN(%s): Memory Overflow! Failed to Calculate Element !", 1, solve3<Calc_Open>, kLabel},
    lone_feed_line("ERROR: C_OPEN(%s): Memory Overflow! Failed to Calculate Feed Line!")};
const NetworkElement<FeedInputs> kOpen{kLabel,       get_end<cpw_open_get>,
                                       cpw_open_pre, kResults,
                                       Joint::End,   1,
                                       {},           lumped_network<Freq_Open, &open_dpar_out, kLabel>};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(open, mirtex::drivers::kOpen)

}  // extern "C"
