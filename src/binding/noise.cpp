// Thermal noise of the passive elements and the two-terminal branch stamp.
#include <cstring>

#include "binding/messages.h"
#include "mirtex/mirtex.h"

namespace {

struct TempIndex {
    const char* name;
    int index;
};

// Position of TEMP (always the last parameter) per element definition.
// CxFEED is a line section like CxLIN and is given its noise the same way.
const TempIndex kTempIndex[] = {
    {"CxLIN", 4},    {"CxFEED", 4},   {"CxAIR", 4},    {"C_2COUP", 4},  {"C_3COUP", 4},  {"C_4COUP", 4},
    {"C_5COUP", 4},  {"C_6COUP", 4},  {"C_7COUP", 4},  {"C_8COUP", 4},  {"C_9COUP", 4},  {"C_10COUP", 4},
    {"CxSHORT", 5},  {"CxMETVIA", 5}, {"CxBEND", 6},   {"CxOPEN", 7},   {"CxGAP", 7},    {"CxSTEP", 7},
    {"CxTAPER", 7},  {"CxMIM", 7},    {"CxCAPLIN", 7}, {"CxTFR", 7},    {"CxTFG", 7},    {"CxTEE", 8},
    {"CxCROSS", 10}, {"CxRIND", 14},  {"CxIDC", 14},
};

}  // namespace

extern "C" MIRTEX_API int thermal_n(UserInstDef* inst, double, COMPLEX* y, COMPLEX* noise) {
    const char* name = inst->def->name;
    for (const TempIndex& t : kTempIndex) {
        if (std::strcmp(t.name, name) == 0)
            return passive_noise(y, inst->def->numExtNodes, noise, inst->params[t.index].value.r);
    }
    mirtex::send_error("MIRTEX: noise figure error: Can't find temperature of %s", name);
    return 1;
}

MIRTEX_API int add_y_branch(UserInstDef* inst, int a, int b, COMPLEX y) {
    const COMPLEX minus{-y.real, -y.imag};
    if (!add_lin_y(inst, a, a, y)) return 0;
    if (!add_lin_y(inst, b, b, y)) return 0;
    if (!add_lin_y(inst, a, b, minus)) return 0;
    return add_lin_y(inst, b, a, minus) ? 1 : 0;
}
