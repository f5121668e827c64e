// The linear taper CxTAPER: a two-port between its feed lines 1 and 2.
#include "drivers/discontinuity.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_TAPER";
constexpr char kDebugLabel[] = "C_TAPER";
const auto kResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(taper, taper, taper), "C_TAPER(%s)",
                                          "ERROR: C_TAPER(%s): Memory Overflow! Failed to Calculate Element!", 5,
                                          solve3<Calc_Taper>, kLabel});
const NetworkElement<FeedInputs> kTaper{kLabel,
                                        get_two_port<cpw_taper_get>,
                                        cpw_taper_pre,
                                        kResults,
                                        Joint::Cascade,
                                        2,
                                        {},
                                        lumped_network<Freq_Taper, &taper_dpar_out, kDebugLabel>};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(taper, mirtex::drivers::kTaper)

}  // extern "C"
