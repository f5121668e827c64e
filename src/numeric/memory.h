// The library's one gate to the heap for array, solver and pivot memory.
#pragma once

#include "mirtex/mirtex.h"

#ifdef __cplusplus
extern "C" {
#endif

// malloc(size); null when the memory is not there.
MIRTEX_API void* g_malloc(long size);
// free(p); always 1.
MIRTEX_API int g_free(char* p);

#ifdef __cplusplus
}  // extern "C"

namespace mirtex {

// Test hook: the next `after` calls of g_malloc succeed, every later one
// returns null, until the hook is called again with a negative count (the
// default, no failures).  Lets the tests walk the out-of-memory paths.
void fail_g_malloc_after(long after);

}  // namespace mirtex
#endif
