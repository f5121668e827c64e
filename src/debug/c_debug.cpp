// The debug switch record and the C_DEBUG item's analysis callbacks.
#include <cstdio>

#include "mirtex/mirtex.h"

extern "C" {

MIRTEX_API C_DEBUG_REC c_debug = {0, 0, 0, 0, 0, {0}, nullptr};

MIRTEX_API int c_debug_pre(UserInstDef*) { return 1; }

MIRTEX_API int c_debug_post(UserInstDef*) {
    if (c_debug.enabled && c_debug.stream != nullptr) {
        std::fclose(c_debug.stream);
        c_debug.stream = nullptr;
    }
    return 1;
}

}
