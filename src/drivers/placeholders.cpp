// Elements whose evaluation is not built yet.  Each is registered all the
// same, so a netlist that uses one fails with a clear message instead of
// silently producing a zero matrix.
#include "binding/catalogue.h"
#include "binding/messages.h"
#include "mirtex/mirtex.h"

namespace {

[[maybe_unused]] int not_available(UserInstDef* inst) {
    mirtex::send_error("%s(%s): element not available in this build", mirtex::element_label(inst->def->name).c_str(),
                       inst->name);
    return 0;
}

}  // namespace

extern "C" {

// The Y callbacks still to be built (none: every element has its driver;
// the mechanism stays for an element added to the catalogue before its
// model).
#define MIRTEX_PENDING_Y(X)

#define MIRTEX_PLACEHOLDER_Y(n) \
    MIRTEX_API int cpw_##n##_y(UserInstDef* inst, double, COMPLEX*) { return not_available(inst); }
MIRTEX_PENDING_Y(MIRTEX_PLACEHOLDER_Y)
#undef MIRTEX_PLACEHOLDER_Y

}

namespace mirtex {

bool is_placeholder([[maybe_unused]] UserYFn y) {
#define MIRTEX_IS_PLACEHOLDER(n) if (y == cpw_##n##_y) return true;
    MIRTEX_PENDING_Y(MIRTEX_IS_PLACEHOLDER)
#undef MIRTEX_IS_PLACEHOLDER
    return false;
}

}  // namespace mirtex
#undef MIRTEX_PENDING_Y
