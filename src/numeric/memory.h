// The library's one gate to the heap for array and solver memory.
#pragma once

#include "mirtex/mirtex.h"

extern "C" {
MIRTEX_API void* g_malloc(long size);
MIRTEX_API int g_free(char* p);
}
