// Elements whose evaluation is not built yet.  Each is registered all the
// same, so a netlist that uses one fails with a clear message instead of
// silently producing a zero matrix.
#include "binding/catalogue.h"
#include "binding/messages.h"
#include "mirtex/mirtex.h"

namespace {

int not_available(UserInstDef* inst) {
    mirtex::send_error("%s(%s): element not available in this build", mirtex::element_label(inst->def->name).c_str(),
                       inst->name);
    return 0;
}

}  // namespace

extern "C" {

#define MIRTEX_PLACEHOLDER_Y(n) \
    MIRTEX_API int cpw_##n##_y(UserInstDef* inst, double, COMPLEX*) { return not_available(inst); }
MIRTEX_Y_CALLBACKS(MIRTEX_PLACEHOLDER_Y)
#undef MIRTEX_PLACEHOLDER_Y

// The feed line's pre-analysis step; its Y callback reports the element.
MIRTEX_API int cpw_line_pre(UserInstDef*) { return 1; }

}
