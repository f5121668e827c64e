// The resolved foundry technology, process-wide.
#include "mirtex/mirtex.h"

extern "C" {
// Pending from load: the first element evaluation resolves the process.
MIRTEX_API _foundries foundries = {nullptr, nullptr, 1, 0};
}
