// Boot internals shared inside the binding.
#pragma once

namespace mirtex {

// The boot callback every installer names; runs the full boot once and
// answers 0 (success) to the host.  Not exported: the host reaches it only
// through the installers.
int boot_mirtex_once();

// Allocate every work vector whose count is set and which is still null.
void allocate_work_vectors();

}  // namespace mirtex
