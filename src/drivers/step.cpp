// The step in width CxSTEP: a two-port between its feed lines 1 and 2.
#include "drivers/discontinuity.h"

namespace mirtex::drivers {
namespace {

constexpr char kLabel[] = "C_STEP";
constexpr char kDebugLabel[] = "C_STEP";
const auto kResults = with_feed_lines<2>({MIRTEX_RESULT_VECTORS(step, step, step), "C_STEP(%s)",
                                          "ERROR: C_STEP(%s): Memory Overflow! Failed to Calculate Element!", 5,
                                          solve3<Calc_Step>, kLabel});
const NetworkElement<FeedInputs> kStep{kLabel,
                                       get_two_port<cpw_step_get>,
                                       cpw_step_pre,
                                       kResults,
                                       Joint::Cascade,
                                       2,
                                       {},
                                       lumped_network<Freq_Step, &step_dpar_out, kDebugLabel>};

}  // namespace
}  // namespace mirtex::drivers

extern "C" {

MIRTEX_NETWORK_CALLBACKS(step, mirtex::drivers::kStep)

}  // extern "C"
