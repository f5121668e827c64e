// The short-circuited end CxSHORT: a one-port at the far end of its feed line.
#include "drivers/discontinuity.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_SHORT";
const SolvedResult kResults[] = {
    {MIRTEX_RESULT_VECTORS(short, short, short), "C_SHORT(%s)",
     "ERROR: C_SHORT(%s): Memory Overflow! Failed to Calculate Element !", 1, solve3<Calc_Short>, kLabel},
    lone_feed_line("ERROR: C_FEED(%s): Memory Overflow! Failed to Calculate Feed Line!")};
const NetworkElement<FeedInputs> kShort{kLabel,
                                        get_end<cpw_short_get>,
                                        cpw_short_pre,
                                        kResults,
                                        Joint::End,
                                        1,
                                        {},
                                        lumped_network<Freq_Short, &short_dpar_out, kLabel>};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(short, mirtex::drivers::kShort)

}  // extern "C"
