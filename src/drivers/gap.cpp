// The series gap CxGAP: a two-port between its feed lines 1 and 2.
#include "drivers/discontinuity.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_GAP";
constexpr char kDebugLabel[] = "C_GAp";
const auto kResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(gap, gap, gap), "C_GAP(%s)",
                                          "ERROR: C_GAP(%s): Memory Overflow! Failed to Calculate Element!", 2,
                                          solve3<Calc_Gap>, kLabel});
const NetworkElement<FeedInputs> kGap{kLabel,
                                      get_two_port<cpw_gap_get>,
                                      cpw_gap_pre,
                                      kResults,
                                      Joint::Cascade,
                                      2,
                                      {},
                                      lumped_network<Freq_Gap, &gap_dpar_out, kDebugLabel>};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(gap, mirtex::drivers::kGap)

}  // extern "C"
