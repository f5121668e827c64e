// Progress display and stop poll of the relaxation kernels.
#include <cstring>

#include "binding/messages.h"
#include "solver/solver.h"

extern "C" {

MIRTEX_API thread_local char text_iteration[20] = "";
MIRTEX_API thread_local int print_iteration = 0;

MIRTEX_API void CPW_Anzeige(const char*, int sweep, double residual) {
    // The caption and the run label are fixed-size fields that their writers
    // keep terminated; read them bounded all the same.
    const int label_len = mirtex::run_label_length();
    const int run_len = static_cast<int>(strnlen(text_iteration, sizeof text_iteration));
    mirtex::send_info("%.*s : %.*s   n= %d    e= %lg", label_len, mirtex::run_label(), run_len, text_iteration, sweep,
                      residual);
}

// stop_cpw sets the request; the post-analysis callback clears it, so a
// stop ends the analysis it was made in and the next one solves again.  The
// request comes from a signal handler or another thread while runs on the
// pool's threads poll it: the flag is read and written atomically.
MIRTEX_API int CPW_Abbruch(void) {
    return __atomic_load_n(&CPW_Misc.abort_request, __ATOMIC_RELAXED) != 0 ? 1 : 0;
}

}  // extern "C"
