#include "drivers/driver.h"

#include <cmath>

#include "binding/messages.h"
#include "debug/reports.h"
#include "drivers/extrapolate.h"
#include "params/item.h"
#include "solver/solver.h"

namespace mirtex::drivers {

bool ResultVectors::lookup() const {
    int found = 0;
    *root = cache(*root, &found, "r", *ipar, *n_ipar, *dpar, *n_dpar, ipar_out, n_ipar_out, dpar_out, n_dpar_out);
    return found != 0;
}

void ResultVectors::store() const {
    int found = 0;
    *root = cache(*root, &found, "w", *ipar, *n_ipar, *dpar, *n_dpar, ipar_out, n_ipar_out, dpar_out, n_dpar_out);
}

int solve_cross_section(const ResultVectors& v) { return Calc_Line(0, *v.ipar, *v.dpar, *v.dpar_out); }

int aborted() {
    send_error("Simulation aborted due to ERROR! ");
    return 0;
}

bool y_is_finite(const char* label, UserInstDef* inst, double f, const COMPLEX* Y) {
    const int n = inst != nullptr && inst->def != nullptr ? inst->def->numExtNodes : 0;
    for (int k = 0; k < n * n; ++k)
        if (!std::isfinite(Y[k].real) || !std::isfinite(Y[k].imag)) {
            send_error("ERROR: %s(%s): the admittance matrix at f = %lg Hz is not finite; it is not handed to the "
                       "simulator!",
                       label, params::inst_name(inst), f);
            return false;
        }
    return true;
}

bool ensure_solved(const SolvedResult& r, const char* name) {
    if (r.vectors.lookup()) return true;
    copy_bounded(CPW_Misc.label, sizeof CPW_Misc.label, format(r.run_label, name));
    print_iteration = r.print_interval;
    const int status = r.solve(r.vectors);
    if (status == solver::kOutOfMemory) {
        send_error(r.out_of_memory, name);
        return false;
    }
    if (status == solver::kStopped) {
        send_error("User Interrupt !");
        return false;
    }
    // Any other failure the solver has reported itself; its result is not
    // valid and must not enter the cache.
    if (status != 0) return false;
    r.vectors.store();
    return true;
}

// Messages are formatted whole, however long the instance name or the
// warning text: a name cut to fit a line could be another instance's.
int finish_pre(const char* label, const WARN* warnings, int status, std::span<const SolvedResult> results,
               UserInstDef* inst) {
    const char* name = params::inst_name(inst);
    if (status == 1) {
        for (const WARN* w = warnings; w != nullptr; w = w->next) send_error("ERROR %s", w->text);
        return 0;
    }
    for (const WARN* w = warnings; w != nullptr; w = w->next) send_info("WARNING %s(%s) : %s", label, name, w->text);
    for (const SolvedResult& r : results) {
        const bool limit = &r == &results.front() && extrapolated_key(r.vectors);
        if (!(limit ? ensure_extrapolated(r, inst, name) : ensure_solved(r, name))) return 0;
    }
    for (const SolvedResult& r : results) {
        const ResultVectors& v = r.vectors;
        debug_static(r.report_label, name, *v.ipar, *v.n_ipar, *v.dpar, *v.n_dpar, *v.ipar_out, *v.n_ipar_out,
                     *v.dpar_out, *v.n_dpar_out);
    }
    return 1;
}

}  // namespace mirtex::drivers
