// The debug switch: reading the C_DEBUG item and starting the debug file.
#pragma once

namespace mirtex {

// Reads "C_DEBUG_DEFAULT" (else "C_DEBUG1") into c_debug and empties the
// debug file, giving it its banner.  Without either item c_debug keeps its
// contents.  A file that cannot be created is reported and is no failure.
void setup_debug_item();

}  // namespace mirtex
