#include "numeric/memory.h"

#include <cstdlib>

extern "C" {

MIRTEX_API void* g_malloc(long size) { return std::malloc(static_cast<std::size_t>(size)); }

MIRTEX_API int g_free(char* p) {
    std::free(p);
    return 1;
}

}
