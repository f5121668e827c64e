#include "numeric/memory.h"

#include <cstdlib>

namespace {
// Successful g_malloc calls left before the injected failures; negative: none.
long allocations_left = -1;
}  // namespace

namespace mirtex {
void fail_g_malloc_after(long after) { allocations_left = after; }
}  // namespace mirtex

extern "C" {

MIRTEX_API void* g_malloc(long size) {
    if (allocations_left >= 0) {
        if (allocations_left == 0) return nullptr;
        --allocations_left;
    }
    // A negative size cannot be a request for memory; malloc would read it
    // as an enormous one.
    if (size < 0) return nullptr;
    return std::malloc(static_cast<std::size_t>(size));
}

MIRTEX_API int g_free(char* p) {
    std::free(p);
    return 1;
}
}
